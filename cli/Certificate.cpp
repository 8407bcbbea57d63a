// The calibration certificate: the record as one self-contained HTML page for
// A4, with the points as tables (their headers repeated on every page), the
// certificate's number and "page N of M" on every page, and a plot (inline
// SVG) of the input's and the output's errors at each test point, as found and
// as left, inside the tolerance band.
#include "../ranges/NumberFormat.h"
#include "Calibration.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
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

QString VerdictSpan(const QString& verdict) {
    return QStringLiteral("<span class=\"%1\">%2</span>")
        .arg(verdict == QLatin1String("pass") || verdict == QLatin1String("fail") ? verdict
                                                                                  : QStringLiteral("none"),
             verdict.toUpper());
}

// A point's verdict, its class the first word: "pass (within uncertainty)" is a pass.
QString PointVerdict(const QJsonObject& p) {
    const QString verdict = p[QStringLiteral("verdict")].toString();
    const QString mark = !p[QStringLiteral("reached")].toBool(true) ? QStringLiteral(" (not reached)")
                         : p[QStringLiteral("steady")].toBool()     ? QString()
                                                                    : QStringLiteral(" (not steady)");
    const bool accepted = p[QStringLiteral("accepted")].toBool();
    return QStringLiteral("<td class=\"%1\">%2%3%4</td>")
        .arg(accepted ? QStringLiteral("pass") : QStringLiteral("fail"), Esc(verdict), mark,
             !accepted && verdict.startsWith(QLatin1String("pass")) ? QStringLiteral(", not accepted")
                                                                    : QString());
}

// The error cells of one quantity: in its unit, in % of span, and its uncertainty.
QString ErrorCells(const QJsonValue& judged, const QJsonValue& percent, int places) {
    const QJsonObject j = judged.toObject();
    return QStringLiteral("<td>%1</td><td>%2</td><td>%3</td><td>%4</td>")
        .arg(Num(j[QStringLiteral("error")], places + 1), Num(percent, 3),
             Num(j[QStringLiteral("allowed")], places + 1),
             Num(j[QStringLiteral("uncertainty")], places + 1));
}

QString PointsTable(const QString& title, const QJsonValue& check, const QJsonObject& in,
                    const QJsonObject& out) {
    if (!check.isObject()) return QString();
    const QJsonObject c = check.toObject();
    const QString eu = Esc(in[QStringLiteral("unit")].toString()),
                  ou = Esc(out[QStringLiteral("unit")].toString());
    const int ed = in[QStringLiteral("decimals")].toInt(1), od = out[QStringLiteral("decimals")].toInt(3);
    const bool metered = c[QStringLiteral("output")].toString() != QLatin1String("not measured");
    QString html =
        QStringLiteral("<h2>%1 %2 <span class=\"part\">input %3, output %4</span></h2><table class=\"pts\">"
                       "<thead><tr><th rowspan=\"2\">Point %</th><th colspan=\"6\">Input, %5</th>")
            .arg(title, VerdictSpan(c[QStringLiteral("verdict")].toString()),
                 c[QStringLiteral("input")].toString(), c[QStringLiteral("output")].toString(), eu);
    html += metered ? QStringLiteral("<th colspan=\"6\">Output, %1</th>").arg(ou)
                    : QStringLiteral("<th rowspan=\"2\">Output</th>");
    html +=
        QStringLiteral("<th rowspan=\"2\">Verdict</th></tr><tr><th>Applied</th><th>Read</th><th>Error</th>"
                       "<th>Error %&nbsp;span</th><th>Tolerance</th><th>U (k=2)</th>");
    if (metered)
        html += QStringLiteral(
            "<th>Ideal</th><th>Meter</th><th>Error</th><th>Error %&nbsp;span</th><th>Tolerance</th>"
            "<th>U (k=2)</th>");
    html += QStringLiteral("</tr></thead><tbody>");
    for (const QJsonValue& v : c[QStringLiteral("points")].toArray()) {
        const QJsonObject p = v.toObject();
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td>")
                    .arg(QString::number(p[QStringLiteral("percent")].toDouble(), 'g', 6),
                         Num(p[QStringLiteral("applied")], ed), Num(p[QStringLiteral("read")], ed));
        html += ErrorCells(p[QStringLiteral("input")], p[QStringLiteral("read_error_percent")], ed);
        if (!metered)
            html += QStringLiteral("<td>not measured</td>");
        else if (!p[QStringLiteral("output")].isObject())
            html += QStringLiteral("<td>%1</td><td colspan=\"5\">no meter reading</td>")
                        .arg(Num(p[QStringLiteral("output_ideal")], od));
        else
            html +=
                QStringLiteral("<td>%1</td><td>%2</td>")
                    .arg(Num(p[QStringLiteral("output_ideal")], od), Num(p[QStringLiteral("meter")], od)) +
                ErrorCells(p[QStringLiteral("output")], p[QStringLiteral("meter_error_percent")], od);
        html += PointVerdict(p) + QStringLiteral("</tr>");
    }
    html += QStringLiteral("</tbody></table>");
    const QJsonArray hysteresis = c[QStringLiteral("hysteresis")].toArray();
    if (!hysteresis.isEmpty()) {
        html += QStringLiteral(
                    "<table class=\"pts hyst\"><thead><tr><th>Point %</th><th>Hysteresis, %1 (down − up)</th>"
                    "<th>Hysteresis, % of span</th></tr></thead><tbody>")
                    .arg(eu);
        for (const QJsonValue& v : hysteresis) {
            const QJsonObject h = v.toObject();
            html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                        .arg(QString::number(h[QStringLiteral("percent")].toDouble(), 'g', 6),
                             Num(h[QStringLiteral("hysteresis")], ed + 1),
                             Num(h[QStringLiteral("hysteresis_percent")], 3));
        }
        html += QStringLiteral("</tbody></table>");
    }
    return html;
}

struct TSeries {
    QString Name, Colour;
    bool Output = false, Left = false; // a diamond for the output; hollow as left
    QList<QPair<double, double>> Points;
};

// A series' marker: as found filled, as left hollow and larger, so that an
// as-left point on an as-found one leaves it visible.
QString Marker(const TSeries& s, double x, double y) {
    const double r = s.Left ? 6.5 : 4;
    const QString paint =
        s.Left ? QStringLiteral("fill=\"none\" stroke=\"%1\" stroke-width=\"1.8\"").arg(s.Colour)
               : QStringLiteral("fill=\"%1\"").arg(s.Colour);
    if (s.Output)
        return QStringLiteral("<polygon points=\"%1,%2 %3,%4 %1,%5 %6,%4\" %7/>")
            .arg(x)
            .arg(y - r)
            .arg(x + r)
            .arg(y)
            .arg(y + r)
            .arg(x - r)
            .arg(paint);
    return QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" %4/>").arg(x).arg(y).arg(r).arg(paint);
}

// The input's tolerance at each point in % of span, from the first check that has points.
QList<QPair<double, double>> Band(const QJsonObject& record) {
    const QJsonObject in = record[QStringLiteral("input")].toObject();
    const double span = in[QStringLiteral("eu_max")].toDouble() - in[QStringLiteral("eu_min")].toDouble();
    QList<QPair<double, double>> band;
    for (const char* key : {"as_found", "as_left"}) {
        for (const QJsonValue& v :
             record[QLatin1String(key)].toObject()[QStringLiteral("points")].toArray()) {
            const QJsonObject p = v.toObject();
            if (span != 0)
                band << qMakePair(p[QStringLiteral("percent")].toDouble(),
                                  p[QStringLiteral("input")][QStringLiteral("allowed")].toDouble() /
                                      std::fabs(span) * 100);
        }
        if (!band.isEmpty()) break;
    }
    std::sort(band.begin(), band.end());
    return band;
}

// The plot's frame and scale: errors from -Limit to +Limit on a round step.
struct TFrame {
    double Left = 70, Right = 690, Top = 12, Bottom = 232, Limit = 1, Step = 0.25;
    double X(double pct) const { return Left + (Right - Left) * pct / 100; }
    double Y(double err) const { return Top + (Bottom - Top) * (Limit - err) / (2 * Limit); }
};

// A round step at or above `raw`: 1, 2 or 5 times a power of ten.
double NiceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    return raw <= power ? power : raw <= 2 * power ? 2 * power : raw <= 5 * power ? 5 * power : 10 * power;
}

// The scale shows the as-left errors whole and the tolerance band large: 1, 2
// or 5 times a power of ten per grid line, four lines each side.
TFrame Scale(const QList<TSeries>& series, double tol) {
    double limit = 2 * tol;
    for (const TSeries& s : series)
        if (s.Left)
            for (const auto& p : s.Points)
                limit = std::max(limit, std::fabs(p.second) * 1.15);
    TFrame f;
    f.Step = NiceStep(limit / 4);
    f.Limit = 4 * f.Step;
    return f;
}

QList<TSeries> PlotSeries(const QJsonObject& record) {
    QList<TSeries> series{{QStringLiteral("input as found"), QStringLiteral("#c0392b"), false, false, {}},
                          {QStringLiteral("output as found"), QStringLiteral("#d68910"), true, false, {}},
                          {QStringLiteral("input as left"), QStringLiteral("#1f5fbf"), false, true, {}},
                          {QStringLiteral("output as left"), QStringLiteral("#117a65"), true, true, {}}};
    for (TSeries& s : series)
        for (const QJsonValue& v : record[s.Left ? QStringLiteral("as_left") : QStringLiteral("as_found")]
                                       .toObject()[QStringLiteral("points")]
                                       .toArray()) {
            const QJsonObject p = v.toObject();
            const QJsonValue e =
                p[s.Output ? QStringLiteral("meter_error_percent") : QStringLiteral("read_error_percent")];
            if (e.isDouble()) s.Points << qMakePair(p[QStringLiteral("percent")].toDouble(), e.toDouble());
        }
    return series;
}

// The tolerance band, as wide at each point as the tolerance there.
QString BandSvg(const TFrame& f, const QList<QPair<double, double>>& band, double tol) {
    QStringList upper, lower;
    for (const auto& b : band) {
        upper << QStringLiteral("%1,%2").arg(f.X(b.first)).arg(f.Y(std::min(b.second, f.Limit)));
        lower.prepend(QStringLiteral("%1,%2").arg(f.X(b.first)).arg(f.Y(-std::min(b.second, f.Limit))));
    }
    if (band.size() < 2) {
        upper = {QStringLiteral("%1,%2").arg(f.Left).arg(f.Y(tol)),
                 QStringLiteral("%1,%2").arg(f.Right).arg(f.Y(tol))};
        lower = {QStringLiteral("%1,%2").arg(f.Right).arg(f.Y(-tol)),
                 QStringLiteral("%1,%2").arg(f.Left).arg(f.Y(-tol))};
    }
    return QStringLiteral(
               "<polygon points=\"%1\" fill=\"#cdeccd\" stroke=\"#2e8b2e\" stroke-dasharray=\"5 3\" "
               "clip-path=\"url(#frame)\"/>")
        .arg((upper + lower).join(QLatin1Char(' ')));
}

// The grid, its labels (clear of a marker at 0 %), the frame and the axes' names.
QString GridSvg(const TFrame& f) {
    QString svg;
    for (int i = -4; i <= 4; ++i) {
        const double y = f.Y(i * f.Step);
        svg +=
            QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"%4\" stroke-width=\"%5\"/>"
                           "<text x=\"%6\" y=\"%7\" text-anchor=\"end\">%8</text>")
                .arg(f.Left)
                .arg(y)
                .arg(f.Right)
                .arg(i == 0 ? QStringLiteral("#444") : QStringLiteral("#ccc"))
                .arg(i == 0 ? 1.2 : 0.6)
                .arg(f.Left - 11)
                .arg(y + 4)
                .arg(QString::number(i * f.Step, 'g', 4));
    }
    for (int pct = 0; pct <= 100; pct += 25)
        svg += QStringLiteral(
                   "<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#ddd\" stroke-width=\"0.6\"/>"
                   "<text x=\"%1\" y=\"%4\" text-anchor=\"middle\">%5</text>")
                   .arg(f.X(pct))
                   .arg(f.Top)
                   .arg(f.Bottom)
                   .arg(f.Bottom + 15)
                   .arg(pct);
    svg +=
        QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" stroke=\"#444\"/>")
            .arg(f.Left)
            .arg(f.Top)
            .arg(f.Right - f.Left)
            .arg(f.Bottom - f.Top);
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">test point, % of span</text>")
               .arg((f.Left + f.Right) / 2)
               .arg(f.Bottom + 30);
    return svg +
           QStringLiteral("<text transform=\"translate(14 %1) rotate(-90)\" text-anchor=\"middle\">error, % "
                          "of span</text>")
               .arg((f.Top + f.Bottom) / 2);
}

// A series' line and markers; a point beyond the scale sits on its edge as a
// triangle with its value.
QString SeriesSvg(const TFrame& f, const TSeries& s) {
    QStringList path;
    for (const auto& p : s.Points)
        path << QStringLiteral("%1,%2").arg(f.X(p.first)).arg(f.Y(p.second));
    QString svg = QStringLiteral("<polyline points=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"1.3\"%3 "
                                 "clip-path=\"url(#frame)\"/>")
                      .arg(path.join(QLatin1Char(' ')), s.Colour,
                           s.Output ? QStringLiteral(" stroke-dasharray=\"6 3\"") : QString());
    for (const auto& p : s.Points) {
        // Input and output a little apart, so that one never covers the other.
        const double x = f.X(p.first) + (s.Output ? 3 : -3), y = f.Y(std::clamp(p.second, -f.Limit, f.Limit));
        if (std::fabs(p.second) <= f.Limit) {
            svg += Marker(s, x, y);
            continue;
        }
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
    }
    return svg;
}

QString Plot(const QJsonObject& record) {
    const QList<TSeries> series = PlotSeries(record);
    const QList<QPair<double, double>> band = Band(record);
    double tol = 0;
    for (const auto& b : band)
        tol = std::max(tol, b.second);
    if (tol <= 0) tol = 0.25;
    const TFrame f = Scale(series, tol);
    QString svg =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 700 300\" class=\"plot\" "
            "font-family=\"Liberation Sans, DejaVu Sans, sans-serif\" font-size=\"11\">"
            "<clipPath id=\"frame\"><rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/></clipPath>")
            .arg(f.Left)
            .arg(f.Top)
            .arg(f.Right - f.Left)
            .arg(f.Bottom - f.Top);
    svg += BandSvg(f, band, tol) + GridSvg(f);
    for (const TSeries& s : series)
        if (!s.Points.isEmpty()) svg += SeriesSvg(f, s);
    // The legend, under the plot: off the data whatever the errors are.
    double lx = f.Left;
    const double ly = f.Bottom + 52;
    for (const TSeries& s : series) {
        if (s.Points.isEmpty()) continue;
        svg += Marker(s, lx + 6, ly - 4) +
               QStringLiteral("<text x=\"%1\" y=\"%2\">%3</text>").arg(lx + 16).arg(ly).arg(s.Name);
        lx += 125;
    }
    svg += QStringLiteral(
               "<rect x=\"%1\" y=\"%2\" width=\"14\" height=\"8\" fill=\"#cdeccd\" stroke=\"#2e8b2e\"/>"
               "<text x=\"%3\" y=\"%4\">input tolerance</text>")
               .arg(lx)
               .arg(ly - 8)
               .arg(lx + 18)
               .arg(ly);
    return svg + QStringLiteral("</svg>");
}

// A text inside a CSS string.
QString CssText(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) out += QLatin1Char('\\');
        out += c.unicode() < 0x20 ? QChar(0x20) : c;
    }
    return out;
}

// The page: A4, the certificate's number and unit at the head of every page
// and "page N of M" at its foot.
QString Head(const QJsonObject& record) {
    const QJsonObject cert = record[QStringLiteral("certificate")].toObject();
    const QString number = cert[QStringLiteral("number")].isString()
                               ? cert[QStringLiteral("number")].toString()
                               : QStringLiteral("(no number given)");
    const QString tag = record[QStringLiteral("unit")][QStringLiteral("tag")].toString();
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>Calibration "
               "certificate "
               "%1</title><style>"
               "@page{size:A4;margin:16mm 12mm 14mm;"
               "@top-left{content:\"Calibration certificate %2\";font:8pt 'Liberation "
               "Sans',sans-serif;color:#444}"
               "@top-right{content:\"Unit %3\";font:8pt 'Liberation Sans',sans-serif;color:#444}"
               "@bottom-left{content:\"Certificate %2\";font:8pt 'Liberation Sans',sans-serif;color:#444}"
               "@bottom-right{content:\"page \" counter(page) \" of \" counter(pages);font:8pt 'Liberation "
               "Sans',sans-serif;color:#444}}")
               .arg(Esc(number), CssText(number), CssText(tag.isEmpty() ? QStringLiteral("(no tag)") : tag)) +
           QStringLiteral(
               "body{font-family:'Liberation Sans','DejaVu "
               "Sans',sans-serif;font-size:8.5pt;color:#000;margin:0;"
               "width:186mm}"
               "h1{font-size:15pt;margin:0 0 2mm}h2{font-size:10pt;margin:3.5mm 0 1.5mm;break-after:avoid}"
               "table{border-collapse:collapse;width:100%}"
               ".facts th{text-align:left;font-weight:normal;color:#444;width:24%;padding:0.4mm 2mm 0.4mm 0;"
               "vertical-align:top}"
               ".facts td{padding:0.4mm 2mm 0.4mm 0;font-weight:bold}"
               ".pts th,.pts td{border:0.3mm solid #999;padding:0.6mm 1mm;text-align:right;"
               "font-variant-numeric:tabular-nums}"
               ".pts th{background:#eee;text-align:center;font-weight:bold}.pts "
               "thead{display:table-header-group}"
               ".pts tr{break-inside:avoid}.hyst{width:60%;margin-top:1.5mm}.refs td,.refs "
               "th{text-align:left}"
               ".pass{color:#007a00;font-weight:bold}.fail{color:#c00000;font-weight:bold}"
               ".plot{width:186mm;height:auto;display:block;margin-top:1mm;break-inside:avoid}"
               ".verdict{font-size:12pt;border:0.5mm solid;padding:1mm 3mm;float:right}"
               ".sign{margin-top:6mm;display:flex;gap:12mm;break-inside:avoid}.sign "
               "div{flex:1;border-top:0.3mm "
               "solid #000;padding-top:1mm;color:#444}"
               ".note{color:#444;font-size:7.5pt}.part{font-weight:normal;font-size:8.5pt;color:#444}"
               ".none,.incomplete{color:#8a5a00;font-weight:bold}.history{break-inside:avoid}"
               "</style></head><body>");
}

QString Fact(const QString& name, const QString& value) {
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>")
        .arg(name, value.isEmpty() ? QStringLiteral("–") : Esc(value));
}

QString Text(const QJsonValue& v) {
    return v.isString() ? v.toString() : QString();
}

// TA and TCAL as the unit reported them at the points: lowest to highest.
QString Conditions(const QJsonObject& record, const char* key) {
    double lo = INFINITY, hi = -INFINITY;
    for (const char* check : {"as_found", "as_left"})
        for (const QJsonValue& v :
             record[QLatin1String(check)].toObject()[QStringLiteral("points")].toArray()) {
            lo = std::min(lo, v[QLatin1String(key)].toDouble());
            hi = std::max(hi, v[QLatin1String(key)].toDouble());
        }
    if (!std::isfinite(lo)) return QString();
    return lo == hi
               ? FormatFloat(lo, QStringLiteral("0.0")) + QStringLiteral(" °C")
               : QStringLiteral("%1 to %2 °C")
                     .arg(FormatFloat(lo, QStringLiteral("0.0")), FormatFloat(hi, QStringLiteral("0.0")));
}

// The output range and its DAC codes, as found and at the end.
QString OutputFact(const QJsonObject& out) {
    const int od = out[QStringLiteral("decimals")].toInt(3);
    const QString ou = out[QStringLiteral("unit")].toString();
    return Fact(
        QStringLiteral("Output"),
        QStringLiteral("%1, %2 to %3 %4%5; DAC codes as found %6 (zero), %7 (full); at the end %8, %9")
            .arg(Text(out[QStringLiteral("range")]), Num(out[QStringLiteral("min")], od),
                 Num(out[QStringLiteral("max")], od), ou,
                 out[QStringLiteral("invert")].toBool() ? QStringLiteral(", inverted") : QString())
            .arg(out[QStringLiteral("zero_code_as_found")].toInt())
            .arg(out[QStringLiteral("full_code_as_found")].toInt())
            .arg(out[QStringLiteral("zero_code")].toInt())
            .arg(out[QStringLiteral("full_code")].toInt()));
}

// Who, for whom, what: the certificate's and the unit's facts.
QString Facts(const QJsonObject& record) {
    const QJsonObject in = record[QStringLiteral("input")].toObject();
    const QJsonObject out = record[QStringLiteral("output")].toObject();
    const QJsonObject unit = record[QStringLiteral("unit")].toObject();
    const QJsonObject cert = record[QStringLiteral("certificate")].toObject();
    const QJsonObject settings = record[QStringLiteral("settings")].toObject();
    const int ed = in[QStringLiteral("decimals")].toInt(1);
    const QString eu = in[QStringLiteral("unit")].toString();
    const QString wiring = in[QStringLiteral("wiring")].isString()
                               ? QStringLiteral(", ") + in[QStringLiteral("wiring")].toString()
                               : QString();
    QString html = QStringLiteral("<table class=\"facts\">");
    html += Fact(QStringLiteral("Certificate number"), cert[QStringLiteral("number")].isString()
                                                           ? cert[QStringLiteral("number")].toString()
                                                           : QStringLiteral("none given"));
    html += Fact(QStringLiteral("Issue date"), Text(cert[QStringLiteral("issue_date")]));
    html += Fact(
        QStringLiteral("Issued by"),
        QStringList{Text(cert[QStringLiteral("organisation")]), Text(cert[QStringLiteral("location")])}.join(
            QStringLiteral(", ")));
    html += Fact(QStringLiteral("Customer"), Text(cert[QStringLiteral("customer")]));
    html += Fact(QStringLiteral("Unit"),
                 QStringLiteral("%1 (MRT9-DX, firmware %2, on %3)")
                     .arg(Text(unit[QStringLiteral("tag")]), Text(unit[QStringLiteral("version")]),
                          Text(unit[QStringLiteral("port")])));
    html += Fact(QStringLiteral("Input"),
                 QStringLiteral("%1%2, %3 to %4 %5")
                     .arg(Text(in[QStringLiteral("range")]), wiring, Num(in[QStringLiteral("eu_min")], ed),
                          Num(in[QStringLiteral("eu_max")], ed), eu));
    html += OutputFact(out);
    html += Fact(QStringLiteral("Tolerance"),
                 QStringLiteral("input ±%1; output ±%2 (a bare %: of span)")
                     .arg(settings[QStringLiteral("tolerance")][QStringLiteral("text")].toString(),
                          settings[QStringLiteral("output_tolerance")][QStringLiteral("text")].toString()));
    html += Fact(QStringLiteral("Decision rule"), Text(cert[QStringLiteral("decision_rule_text")]));
    html +=
        Fact(QStringLiteral("Conditions"), QStringLiteral("TA %1; TCAL %2 (the unit's own report)")
                                               .arg(Conditions(record, "ta"), Conditions(record, "tcal")));
    html += Fact(QStringLiteral("Procedure"),
                 QStringLiteral("%1; %2 %3")
                     .arg(Text(record[QStringLiteral("procedure")]),
                          Text(record[QStringLiteral("program")][QStringLiteral("name")]),
                          Text(record[QStringLiteral("program")][QStringLiteral("version")])));
    if (cert[QStringLiteral("next_due")].isString())
        html += Fact(QStringLiteral("Next calibration due"),
                     QStringLiteral("%1 (interval %2 days)")
                         .arg(Text(cert[QStringLiteral("next_due")]))
                         .arg(cert[QStringLiteral("interval_days")].toInt()));
    html += Fact(QStringLiteral("Technician"), Text(record[QStringLiteral("technician")]));
    html += Fact(QStringLiteral("Start / end (UTC)"), Text(record[QStringLiteral("start_utc")]) +
                                                          QStringLiteral(" / ") +
                                                          Text(record[QStringLiteral("end_utc")]));
    return html + QStringLiteral("</table>");
}

// The reference standards, each with its traceability and due date.
QString References(const QJsonObject& record) {
    const QJsonArray refs = record[QStringLiteral("certificate")][QStringLiteral("references")].toArray();
    if (refs.isEmpty()) return QStringLiteral("<h2>Reference standards</h2><p>none named</p>");
    QString html = QStringLiteral(
        "<h2>Reference standards</h2><table class=\"pts "
        "refs\"><thead><tr><th>Role</th><th>Identification</th>"
        "<th>Certificate</th><th>Traceable to</th><th>Due</th><th>U (k=2)</th></tr></thead><tbody>");
    for (const QJsonValue& v : refs) {
        const QJsonObject r = v.toObject();
        html +=
            QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6 %7</td></tr>")
                .arg(r[QStringLiteral("role")].toString() == QLatin1String("output_meter")
                         ? QStringLiteral("output meter")
                         : QStringLiteral("input calibrator"),
                     Esc(Text(r[QStringLiteral("identification")])),
                     Esc(Text(r[QStringLiteral("certificate")])),
                     Esc(Text(r[QStringLiteral("traceable_to")]))
                         .replace(QRegularExpression(QStringLiteral("^$")), QStringLiteral("–")),
                     Esc(Text(r[QStringLiteral("due")])),
                     QString::number(r[QStringLiteral("uncertainty")].toDouble(), 'g', 6),
                     Esc(Text(r[QStringLiteral("uncertainty_unit")])));
    }
    return html + QStringLiteral("</tbody></table>");
}

QString Adjustments(const QJsonObject& record) {
    const QJsonArray adjustments = record[QStringLiteral("adjustments")].toArray();
    if (adjustments.isEmpty()) return QString();
    QStringList items;
    for (const QJsonValue& v : adjustments) {
        const QJsonObject a = v.toObject();
        const QString what = Esc(a[QStringLiteral("what")].toString()),
                      unit = Esc(Text(a[QStringLiteral("unit")]));
        const QString notDone =
            a[QStringLiteral("written")].toBool() ? QString() : QStringLiteral(" (not written)");
        if (a.contains(QStringLiteral("steps")))
            items << QStringLiteral("%1: %2 → %3 in %4 step(s)%5")
                         .arg(what)
                         .arg(a[QStringLiteral("code_before")].toInt())
                         .arg(a.contains(QStringLiteral("code_after"))
                                  ? QString::number(a[QStringLiteral("code_after")].toInt())
                                  : QStringLiteral("–"))
                         .arg(a[QStringLiteral("steps")].toArray().size())
                         .arg(notDone);
        else {
            // The raw values with the raw unit's display places.
            const int places = a[QStringLiteral("decimals")].toInt();
            const QString after =
                a.contains(QStringLiteral("read_after"))
                    ? QStringLiteral(", %1 %2 after").arg(Num(a[QStringLiteral("read_after")], places), unit)
                    : QString();
            items << QStringLiteral("%1 at %2 %3: read %4 %3 before%5%6")
                         .arg(what, Num(a[QStringLiteral("applied")], places), unit,
                              Num(a[QStringLiteral("read_before")], places), after, notDone);
        }
    }
    return QStringLiteral("<h2>Adjustments</h2><div>%1</div>").arg(items.join(QStringLiteral("; ")));
}

// The history plot's legend, under it, from the plot's left edge.
QString HistoryLegend(double left) {
    return QStringLiteral(
               "<circle cx=\"%1\" cy=\"192\" r=\"4\" fill=\"#c00000\"/>"
               "<text x=\"%2\" y=\"196\">as found</text>"
               "<circle cx=\"%3\" cy=\"192\" r=\"6\" fill=\"none\" stroke=\"#1f4e9c\" "
               "stroke-width=\"2\"/><text x=\"%4\" y=\"196\">as left</text>"
               "<line x1=\"%5\" y1=\"192\" x2=\"%6\" y2=\"192\" stroke=\"#c00000\" "
               "stroke-dasharray=\"4 3\"/><text x=\"%7\" y=\"196\">drift since the previous run</text>")
        .arg(left + 6)
        .arg(left + 16)
        .arg(left + 106)
        .arg(left + 118)
        .arg(left + 196)
        .arg(left + 226)
        .arg(left + 232);
}

// The unit's history as a plot: each run's largest error as found (filled) and
// as left (hollow), the drift between runs as a dashed line from one run's as
// left to the next one's as found.
QString HistoryPlot(const QJsonArray& history) {
    const double left = 70, right = 680, top = 12, bottom = 150;
    double largest = 0.01;
    for (const QJsonValue& v : history)
        for (const char* key : {"as_found", "as_left"})
            largest = std::max(largest, std::abs(v[QLatin1String(key)].toDouble()));
    const double step = NiceStep(largest / 2);
    const double limit = 2 * step * std::ceil(largest / (2 * step));
    const auto x = [&](qsizetype i) { return left + (right - left) * (i + 0.5) / history.size(); };
    const auto y = [&](double v) { return top + (bottom - top) * (limit - v) / (2 * limit); };
    QString svg =
        QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 700 200\" class=\"plot\" "
                       "font-family=\"Liberation Sans, DejaVu Sans, sans-serif\" font-size=\"11\">");
    for (int k = -2; k <= 2; ++k) {
        const double v = limit * k / 2;
        svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"%4\"/>"
                              "<text x=\"%5\" y=\"%6\" text-anchor=\"end\">%7</text>")
                   .arg(left)
                   .arg(y(v))
                   .arg(right)
                   .arg(k ? QStringLiteral("#ddd") : QStringLiteral("#888"))
                   .arg(left - 5)
                   .arg(y(v) + 4)
                   .arg(FormatFloat(v, QStringLiteral("0.000")));
    }
    svg += QStringLiteral("<text x=\"14\" y=\"%1\" transform=\"rotate(-90 14 %1)\" text-anchor=\"middle\">"
                          "largest error, % of span</text>")
               .arg((top + bottom) / 2);
    for (qsizetype i = 0; i < history.size(); ++i) {
        const QJsonObject run = history[i].toObject();
        const QJsonValue found = run[QStringLiteral("as_found")], leftValue = run[QStringLiteral("as_left")];
        if (i > 0 && found.isDouble() && history[i - 1][QStringLiteral("as_left")].isDouble())
            svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"#c00000\" "
                                  "stroke-dasharray=\"4 3\"/>")
                       .arg(x(i - 1))
                       .arg(y(history[i - 1][QStringLiteral("as_left")].toDouble()))
                       .arg(x(i))
                       .arg(y(found.toDouble()));
        if (found.isDouble())
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"4\" fill=\"#c00000\"/>")
                       .arg(x(i))
                       .arg(y(found.toDouble()));
        if (leftValue.isDouble())
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"6\" fill=\"none\" stroke=\"#1f4e9c\" "
                                  "stroke-width=\"2\"/>")
                       .arg(x(i))
                       .arg(y(leftValue.toDouble()));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>"
                              "<text x=\"%1\" y=\"%4\" text-anchor=\"middle\" font-size=\"9\">%5</text>")
                   .arg(x(i))
                   .arg(bottom + 16)
                   .arg(Esc(run[QStringLiteral("issued")].toString()))
                   .arg(bottom + 28)
                   .arg(Esc(run[QStringLiteral("certificate")].toString()));
    }
    return svg + HistoryLegend(left) + QStringLiteral("</svg>");
}

// The unit's runs in the store up to this one: a table and its plot, when it
// has more than this run.
QString HistorySection(const QJsonArray& history) {
    if (history.size() < 2) return QString();
    QString rows;
    for (const QJsonValue& v : history)
        rows +=
            QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                .arg(Esc(v[QStringLiteral("issued")].toString()),
                     Esc(v[QStringLiteral("certificate")].toString()), Num(v[QStringLiteral("as_found")], 3),
                     Num(v[QStringLiteral("as_left")], 3), Num(v[QStringLiteral("drift")], 3));
    // The section stays on one page: the table and its plot read together.
    return QStringLiteral("<div class=\"history\"><h2>History of the unit</h2><table "
                          "class=\"pts\"><thead><tr><th>Issued</th>"
                          "<th>Certificate</th><th>Largest error as found, %</th><th>As left, %</th>"
                          "<th>Drift, %</th></tr></thead>%1</table>")
               .arg(rows) +
           HistoryPlot(history) +
           QStringLiteral("<p class=\"note\">Largest error: of the input's and the output's errors, in % of "
                          "their spans, with its sign. Drift: this run's as-found error minus the previous "
                          "run's as-left error.</p></div>");
}
} // namespace

QString CertificateHtml(const QJsonObject& record, const QJsonArray& history) {
    const QJsonObject in = record[QStringLiteral("input")].toObject();
    const QJsonObject out = record[QStringLiteral("output")].toObject();
    const QString verdict = record[QStringLiteral("verdict")].toString();
    const auto list = [&record](const char* key) {
        QStringList items;
        for (const QJsonValue& v : record[QLatin1String(key)].toArray())
            items << v.toString();
        return items;
    };
    QString html = Head(record);
    html += QStringLiteral("<span class=\"verdict %1\">%2</span><h1>Calibration certificate</h1>")
                .arg(verdict, verdict.toUpper());
    if (record[QStringLiteral("status")].toString() == QLatin1String("incomplete"))
        html +=
            QStringLiteral("<p class=\"incomplete\">Incomplete: %1. It holds the points and adjustments done "
                           "until then.</p>")
                .arg(Esc(record[QStringLiteral("reason")].toString()));
    html += Facts(record) + References(record);
    html += PointsTable(QStringLiteral("As found"), record[QStringLiteral("as_found")], in, out);
    html += Adjustments(record);
    if (record[QStringLiteral("adjustment_needed")] == QJsonValue(false))
        html +=
            QStringLiteral(
                "<h2>Adjustments</h2><div>no adjustment needed: every as-found error within %1</div>")
                .arg(Esc(
                    record[QStringLiteral("settings")][QStringLiteral("adjust_over")][QStringLiteral("text")]
                        .toString()));
    if (!list("written").isEmpty() || !list("put_back").isEmpty() || !list("not_put_back").isEmpty())
        html += QStringLiteral("<p>Written to the unit: %1. Put back: %2.</p>")
                    .arg(list("written").isEmpty() ? QStringLiteral("nothing")
                                                   : Esc(list("written").join(QStringLiteral("; "))),
                         Esc((list("put_back") + list("not_put_back")).join(QStringLiteral("; "))));
    html += PointsTable(QStringLiteral("As left"), record[QStringLiteral("as_left")], in, out);
    html += QStringLiteral("<h2>Errors at the test points</h2>") + Plot(record);
    html += QStringLiteral(
        "<p class=\"note\">Errors: the reading against the applied value, in the input's unit and in % of "
        "the input "
        "span; the meter's reading of the output against the ideal output, in the output's unit and in % of "
        "the "
        "output span. Only what was measured is judged: an output without a meter reading is not measured. U "
        "is "
        "each point's expanded uncertainty (k=2): U = 2 &radic;((U<sub>ref</sub>/2)&sup2; + "
        "(r/(2&radic;3))&sup2;), "
        "from the reference's U<sub>ref</sub> and the display's resolution r. Values are shown with the "
        "range's "
        "display places, errors and U with one more. A point beyond the plot's scale sits on its edge as a "
        "triangle with its value.</p>");
    html += HistorySection(history);
    html += QStringLiteral(
        "<div class=\"sign\"><div>Calibrated by</div><div>Checked by</div><div>Date</div></div>");
    return html + QStringLiteral("</body></html>\n");
}
