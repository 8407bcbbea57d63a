// The calibration certificate: the record as one self-contained HTML page that
// prints on one A4 sheet, with the points as tables and a plot (inline SVG) of
// the error at each test point, as found and as left, inside the tolerance band.
#include "../ranges/NumberFormat.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {
QString Esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString Num(const QJsonValue& v, int decimals) {
    // The window's number format: no "-0.000" for an error that rounds to nothing.
    return v.isDouble() ? FormatFloat(v.toDouble(),
                                      decimals ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0'))
                                               : QStringLiteral("0"))
                        : QStringLiteral("–");
}

// The error that decides a point's verdict: the largest of the measured ones.
double WorstError(const QJsonObject& p) {
    double worst = p[QStringLiteral("read_error_percent")].toDouble();
    const QJsonValue meter = p[QStringLiteral("meter_error_percent")];
    if (meter.isDouble() && std::fabs(meter.toDouble()) > std::fabs(worst)) worst = meter.toDouble();
    return worst;
}

QString VerdictSpan(const QString& verdict) {
    return QStringLiteral("<span class=\"%1\">%2</span>")
        .arg(verdict == QLatin1String("pass") || verdict == QLatin1String("fail") ? verdict
                                                                                  : QStringLiteral("none"),
             verdict.toUpper());
}

QString PointsTable(const QString& title, const QJsonValue& check, const QString& eu, const QString& ou) {
    if (!check.isObject()) return QString();
    const QJsonObject c = check.toObject();
    const bool metered = c[QStringLiteral("output")].toString() != QLatin1String("not measured");
    QString html =
        QStringLiteral(
            "<h2>%1 %2 <span class=\"part\">input %3, output %4</span></h2><table class=\"pts\"><tr>"
            "<th>Point %</th><th>Applied %5</th><th>Read %5</th><th>Error %</th>")
            .arg(title, VerdictSpan(c[QStringLiteral("verdict")].toString()),
                 c[QStringLiteral("input")].toString(), c[QStringLiteral("output")].toString(), Esc(eu));
    html += metered ? QStringLiteral("<th>Ideal output %1</th><th>Meter %1</th><th>Error %</th>").arg(Esc(ou))
                    : QStringLiteral("<th>Output</th>");
    html += QStringLiteral("<th>Verdict</th></tr>");
    for (const QJsonValue& v : c[QStringLiteral("points")].toArray()) {
        const QJsonObject p = v.toObject();
        const QString verdict = p[QStringLiteral("verdict")].toString();
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td>")
                    .arg(Num(p[QStringLiteral("percent")], 1), Num(p[QStringLiteral("applied")], 2),
                         Num(p[QStringLiteral("read")], 2), Num(p[QStringLiteral("read_error_percent")], 3));
        html += metered
                    ? QStringLiteral("<td>%1</td><td>%2</td><td>%3</td>")
                          .arg(Num(p[QStringLiteral("output_ideal")], 3), Num(p[QStringLiteral("meter")], 3),
                               Num(p[QStringLiteral("meter_error_percent")], 3))
                    : QStringLiteral("<td>not measured</td>");
        const QString mark = !p[QStringLiteral("reached")].toBool(true) ? QStringLiteral(" (not reached)")
                             : p[QStringLiteral("steady")].toBool()     ? QString()
                                                                        : QStringLiteral(" (not steady)");
        html += QStringLiteral("<td class=\"%1\">%2</td></tr>").arg(verdict, verdict.toUpper() + mark);
    }
    return html + QStringLiteral("</table>");
}

// Long as the figure: scale, grid, tolerance band, series and legend, drawn in order.
QString Plot(const QJsonObject& record) {
    const double tol = record[QStringLiteral("tolerance_percent_of_span")].toDouble();
    struct TSeries {
        QString Name, Colour, Marker;
        QList<QPair<double, double>> Points;
    };
    QList<TSeries> series{
        {QStringLiteral("as found"), QStringLiteral("#c0392b"), QStringLiteral("circle"), {}},
        {QStringLiteral("as left"), QStringLiteral("#1f5fbf"), QStringLiteral("square"), {}}};
    const char* keys[] = {"as_found", "as_left"};
    for (int s = 0; s < 2; ++s)
        for (const QJsonValue& v :
             record[QLatin1String(keys[s])].toObject()[QStringLiteral("points")].toArray()) {
            const QJsonObject p = v.toObject();
            series[s].Points << qMakePair(p[QStringLiteral("percent")].toDouble(), WorstError(p));
        }
    // The scale shows the last check whole (as left where there is one) and the
    // tolerance band large; an as-found point beyond it sits on the edge as a
    // triangle with its value.
    double limit = 2 * tol;
    for (const auto& p : series[series[1].Points.isEmpty() ? 0 : 1].Points)
        limit = std::max(limit, std::fabs(p.second) * 1.15);
    // A round scale: 1, 2 or 5 times a power of ten per grid line, four lines each side.
    const double raw = limit / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double step = raw <= power       ? power
                        : raw <= 2 * power ? 2 * power
                        : raw <= 5 * power ? 5 * power
                                           : 10 * power;
    limit = 4 * step;
    const double left = 70, right = 690, top = 20, bottom = 240, W = right - left, H = bottom - top;
    const auto X = [&](double pct) { return left + W * pct / 100; };
    const auto Y = [&](double err) { return top + H * (limit - err) / (2 * limit); };
    QString svg =
        QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 700 285\" class=\"plot\" "
                       "font-family=\"Liberation Sans, DejaVu Sans, sans-serif\" font-size=\"11\">");
    svg += QStringLiteral(
               "<clipPath id=\"frame\"><rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/></clipPath>")
               .arg(left)
               .arg(top)
               .arg(W)
               .arg(H);
    svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#cdeccd\"/>")
               .arg(left)
               .arg(Y(tol))
               .arg(W)
               .arg(Y(-tol) - Y(tol));
    for (int i = -4; i <= 4; ++i) {
        const double y = Y(i * step);
        svg +=
            QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"%4\" stroke-width=\"%5\"/>"
                           "<text x=\"%6\" y=\"%7\" text-anchor=\"end\">%8</text>")
                .arg(left)
                .arg(y)
                .arg(right)
                .arg(i == 0 ? QStringLiteral("#444") : QStringLiteral("#ccc"))
                .arg(i == 0 ? 1.2 : 0.6)
                .arg(left - 6)
                .arg(y + 4)
                .arg(QString::number(i * step, 'g', 4));
    }
    for (int pct = 0; pct <= 100; pct += 25)
        svg += QStringLiteral(
                   "<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#ddd\" stroke-width=\"0.6\"/>"
                   "<text x=\"%1\" y=\"%4\" text-anchor=\"middle\">%5</text>")
                   .arg(X(pct))
                   .arg(top)
                   .arg(bottom)
                   .arg(bottom + 15)
                   .arg(pct);
    svg +=
        QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" stroke=\"#444\"/>")
            .arg(left)
            .arg(top)
            .arg(W)
            .arg(H);
    svg += QStringLiteral(
               "<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#2e8b2e\" stroke-dasharray=\"5 3\"/>"
               "<line x1=\"%1\" y1=\"%4\" x2=\"%3\" y2=\"%4\" stroke=\"#2e8b2e\" stroke-dasharray=\"5 3\"/>")
               .arg(left)
               .arg(Y(tol))
               .arg(right)
               .arg(Y(-tol));
    for (const TSeries& s : series) {
        if (s.Points.isEmpty()) continue;
        QStringList path;
        for (const auto& p : s.Points)
            path << QStringLiteral("%1,%2").arg(X(p.first)).arg(Y(p.second));
        svg += QStringLiteral("<polyline points=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"1.6\" "
                              "clip-path=\"url(#frame)\"/>")
                   .arg(path.join(QLatin1Char(' ')), s.Colour);
        for (const auto& p : s.Points) {
            const double x = X(p.first), y = Y(std::clamp(p.second, -limit, limit));
            if (std::fabs(p.second) > limit) {
                const double tip = p.second > 0 ? y - 2 : y + 2, base = p.second > 0 ? y + 8 : y - 8;
                svg += QStringLiteral("<polygon points=\"%1,%2 %3,%4 %5,%4\" fill=\"%6\"/>"
                                      "<text x=\"%7\" y=\"%8\" fill=\"%6\" text-anchor=\"%9\">")
                           .arg(x)
                           .arg(tip)
                           .arg(x - 5)
                           .arg(base)
                           .arg(x + 5)
                           .arg(s.Colour)
                           .arg(x + (p.first > 90 ? -8 : 8))
                           .arg(p.second > 0 ? y + 18 : y - 10)
                           .arg(p.first > 90 ? QStringLiteral("end") : QStringLiteral("start")) +
                       FormatFloat(p.second, QStringLiteral("0.00")) + QStringLiteral("</text>");
                continue;
            }
            svg += s.Marker == QLatin1String("circle")
                       ? QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"4\" fill=\"%3\"/>")
                             .arg(x)
                             .arg(y)
                             .arg(s.Colour)
                       : QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"8\" height=\"8\" fill=\"%3\"/>")
                             .arg(x - 4)
                             .arg(y - 4)
                             .arg(s.Colour);
        }
    }
    svg += QStringLiteral("<text x=\"%1\" y=\"280\" text-anchor=\"middle\">test point, % of span</text>")
               .arg(left + W / 2);
    svg +=
        QStringLiteral(
            "<text transform=\"translate(14 %1) rotate(-90)\" text-anchor=\"middle\">error, % of span</text>")
            .arg(top + H / 2);
    // The legend, top right inside the frame.
    double lx = right - 250;
    svg +=
        QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"244\" height=\"20\" fill=\"white\" stroke=\"#999\"/>")
            .arg(lx)
            .arg(top + 4);
    svg +=
        QStringLiteral(
            "<circle cx=\"%1\" cy=\"%2\" r=\"4\" fill=\"#c0392b\"/><text x=\"%3\" y=\"%4\">as found</text>")
            .arg(lx + 12)
            .arg(top + 14)
            .arg(lx + 20)
            .arg(top + 18);
    svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"8\" height=\"8\" fill=\"#1f5fbf\"/><text x=\"%3\" "
                          "y=\"%4\">as left</text>")
               .arg(lx + 78)
               .arg(top + 10)
               .arg(lx + 90)
               .arg(top + 18);
    svg += QStringLiteral(
               "<rect x=\"%1\" y=\"%2\" width=\"14\" height=\"8\" fill=\"#cdeccd\" stroke=\"#2e8b2e\"/>"
               "<text x=\"%3\" y=\"%4\">±%5 %</text>")
               .arg(lx + 146)
               .arg(top + 10)
               .arg(lx + 164)
               .arg(top + 18)
               .arg(tol);
    return svg + QStringLiteral("</svg>");
}
} // namespace

// Long as the document: one block per section of the certificate, in page order.
QString CertificateHtml(const QJsonObject& record) {
    const QJsonObject in = record[QStringLiteral("input")].toObject();
    const QJsonObject out = record[QStringLiteral("output")].toObject();
    const QJsonObject unit = record[QStringLiteral("unit")].toObject();
    const QString eu = in[QStringLiteral("unit")].toString(), ou = out[QStringLiteral("unit")].toString();
    const QString verdict = record[QStringLiteral("verdict")].toString();
    const auto fact = [](const QString& name, const QString& value) {
        return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>")
            .arg(name, value.isEmpty() ? QStringLiteral("–") : Esc(value));
    };
    const QString wiring = in[QStringLiteral("wiring")].isString()
                               ? QStringLiteral(", ") + in[QStringLiteral("wiring")].toString()
                               : QString();
    QString html = QStringLiteral(
        "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>Calibration "
        "certificate</title><style>"
        "@page{size:A4;margin:12mm}"
        "body{font-family:'Liberation Sans','DejaVu "
        "Sans',sans-serif;font-size:9pt;color:#000;margin:0;width:186mm}"
        "h1{font-size:15pt;margin:0 0 2mm}h2{font-size:10.5pt;margin:4mm 0 1.5mm}"
        "table{border-collapse:collapse;width:100%}"
        ".facts th{text-align:left;font-weight:normal;color:#444;width:22%;padding:0.6mm 2mm 0.6mm 0}"
        ".facts td{padding:0.6mm 2mm 0.6mm 0;font-weight:bold}"
        ".pts th,.pts td{border:0.3mm solid #999;padding:0.8mm "
        "1.2mm;text-align:right;font-variant-numeric:tabular-nums}"
        ".pts th{background:#eee;text-align:center;font-weight:bold}"
        ".pass{color:#007a00;font-weight:bold}.fail{color:#c00000;font-weight:bold}"
        ".plot{width:186mm;height:auto;display:block;margin-top:1mm}"
        ".verdict{font-size:12pt;border:0.5mm solid;padding:1mm 3mm;float:right}"
        ".sign{margin-top:6mm;display:flex;gap:12mm}.sign div{flex:1;border-top:0.3mm solid "
        "#000;padding-top:1mm;color:#444}"
        ".note{color:#444;font-size:8pt}.part{font-weight:normal;font-size:9pt;color:#444}"
        ".none,.incomplete{color:#8a5a00;font-weight:bold}"
        "</style></head><body>");
    html += QStringLiteral("<span class=\"verdict %1\">%2</span><h1>Calibration certificate</h1>")
                .arg(verdict, verdict.toUpper());
    if (record[QStringLiteral("status")].toString() == QLatin1String("incomplete"))
        html +=
            QStringLiteral("<p class=\"incomplete\">Incomplete: %1. It holds the points and adjustments done "
                           "until then.</p>")
                .arg(Esc(record[QStringLiteral("reason")].toString()));
    html += QStringLiteral("<table class=\"facts\">");
    html += fact(QStringLiteral("Unit"), unit[QStringLiteral("version")].toString() + QStringLiteral(" on ") +
                                             unit[QStringLiteral("port")].toString());
    html += fact(QStringLiteral("Input range"), in[QStringLiteral("range")].toString() + wiring);
    html += fact(QStringLiteral("Span"),
                 QStringLiteral("%1 to %2 %3")
                     .arg(Num(in[QStringLiteral("eu_min")], 1), Num(in[QStringLiteral("eu_max")], 1), eu));
    html += fact(QStringLiteral("Output"),
                 QStringLiteral("%1, %2 to %3 %4%5; DAC codes at the end %6 (zero), %7 (full)")
                     .arg(out[QStringLiteral("range")].toString(), Num(out[QStringLiteral("min")], 3),
                          Num(out[QStringLiteral("max")], 3), ou,
                          out[QStringLiteral("invert")].toBool() ? QStringLiteral(", inverted") : QString())
                     .arg(out[QStringLiteral("zero_code")].toInt())
                     .arg(out[QStringLiteral("full_code")].toInt()));
    html += fact(
        QStringLiteral("Tolerance"),
        QStringLiteral("±%1 % of span").arg(record[QStringLiteral("tolerance_percent_of_span")].toDouble()));
    html += fact(QStringLiteral("Reference instrument"), record[QStringLiteral("reference_id")].toString());
    html += fact(QStringLiteral("Technician"), record[QStringLiteral("technician")].toString());
    const auto list = [&record](const char* key) {
        QStringList items;
        for (const QJsonValue& v : record[QLatin1String(key)].toArray())
            items << v.toString();
        return items;
    };
    if (record[QStringLiteral("adjustments")].toArray().size() || !list("written").isEmpty())
        html += fact(QStringLiteral("Written to the unit"), list("written").join(QStringLiteral("; ")));
    if (!list("put_back").isEmpty() || !list("not_put_back").isEmpty())
        html += fact(QStringLiteral("Put back"),
                     (list("put_back") + list("not_put_back")).join(QStringLiteral("; ")));
    html += fact(QStringLiteral("Start / end (UTC)"), record[QStringLiteral("start_utc")].toString() +
                                                          QStringLiteral(" / ") +
                                                          record[QStringLiteral("end_utc")].toString());
    html += QStringLiteral("</table>");
    html += PointsTable(QStringLiteral("As found"), record[QStringLiteral("as_found")], eu, ou);
    const QJsonArray adjustments = record[QStringLiteral("adjustments")].toArray();
    if (!adjustments.isEmpty()) {
        QStringList items;
        for (const QJsonValue& v : adjustments) {
            const QJsonObject a = v.toObject();
            const QString what = a[QStringLiteral("what")].toString();
            const bool written = a[QStringLiteral("written")].toBool();
            if (a.contains(QStringLiteral("steps")))
                items << QStringLiteral("%1: %2 → %3 in %4 step(s)%5")
                             .arg(Esc(what))
                             .arg(a[QStringLiteral("code_before")].toInt())
                             .arg(a.contains(QStringLiteral("code_after"))
                                      ? QString::number(a[QStringLiteral("code_after")].toInt())
                                      : QStringLiteral("–"))
                             .arg(a[QStringLiteral("steps")].toArray().size())
                             .arg(written ? QString() : QStringLiteral(" (not stored)"));
            else
                items << QStringLiteral("%1 at %2 %3: read %4 before%5%6")
                             .arg(Esc(what),
                                  QString::number(a[QStringLiteral("applied")].toDouble(), 'g', 10),
                                  Esc(a[QStringLiteral("unit")].toString()),
                                  Esc(a[QStringLiteral("read_before")].toString()),
                                  a.contains(QStringLiteral("read_after"))
                                      ? QStringLiteral(", ") +
                                            Esc(a[QStringLiteral("read_after")].toString()) +
                                            QStringLiteral(" after")
                                      : QString(),
                                  written ? QString() : QStringLiteral(" (not written)"));
        }
        html += QStringLiteral("<h2>Adjustments</h2><div>%1</div>").arg(items.join(QStringLiteral("; ")));
    }
    html += PointsTable(QStringLiteral("As left"), record[QStringLiteral("as_left")], eu, ou);
    html += QStringLiteral("<h2>Error at each test point</h2>") + Plot(record);
    html += QStringLiteral(
        "<p class=\"note\">Errors in % of span: the reading against the applied value over the input span; "
        "the meter's reading of the output against the ideal output over the output span. Only what was "
        "measured is judged: an output without a meter reading is not measured. The plot shows the larger "
        "error at each point; the shaded band is the tolerance; a point beyond the scale sits on its edge as "
        "a triangle with its value.</p>");
    html += QStringLiteral(
        "<div class=\"sign\"><div>Calibrated by</div><div>Checked by</div><div>Date</div></div>");
    return html + QStringLiteral("</body></html>\n");
}
