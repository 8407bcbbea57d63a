#include "Tolerance.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>

namespace {
// A unit as a prefix and a base: "µV" is (1e-6, "V"); "°C" and "Ohm" have none.
std::optional<std::pair<double, QString>> SplitUnit(QString unit) {
    unit = unit.trimmed();
    unit.replace(QStringLiteral("\u00B0"), QString());
    if (unit.compare(QLatin1String("ohm"), Qt::CaseInsensitive) == 0 || unit == QStringLiteral("\u03A9"))
        return std::pair{1.0, QStringLiteral("Ohm")};
    if (unit == QLatin1String("C") || unit == QLatin1String("F") || unit == QLatin1String("K"))
        return std::pair{1.0, unit};
    if (unit.size() == 1 && (unit == QLatin1String("V") || unit == QLatin1String("A")))
        return std::pair{1.0, unit};
    if (unit.size() == 2 && (unit[1] == QLatin1Char('V') || unit[1] == QLatin1Char('A'))) {
        const QChar p = unit[0];
        if (p == QLatin1Char('m')) return std::pair{1e-3, QString(unit[1])};
        if (p == QLatin1Char('u') || p == QChar(0x00B5) || p == QChar(0x03BC))
            return std::pair{1e-6, QString(unit[1])};
        if (p == QLatin1Char('k')) return std::pair{1e3, QString(unit[1])};
    }
    return std::nullopt;
}

QString Shown(const QString& unit) {
    QString u = unit.trimmed();
    if (u == QLatin1String("C") || u == QLatin1String("F")) return QStringLiteral("\u00B0") + u;
    if (u.startsWith(QLatin1Char('u'))) u[0] = QChar(0x00B5);
    if (u.compare(QLatin1String("ohm"), Qt::CaseInsensitive) == 0) return QStringLiteral("Ohm");
    return u;
}
} // namespace

std::optional<double> UnitFactor(const QString& from, const QString& to) {
    const auto a = SplitUnit(from), b = SplitUnit(to);
    if (!a || !b || a->second != b->second) return std::nullopt;
    return a->first / b->first;
}

bool TTolerance::Fits(const QString& unit) const {
    return AbsoluteUnit.isEmpty() || UnitFactor(AbsoluteUnit, unit).has_value();
}

double TTolerance::Allowed(double value, double span, const QString& unit) const {
    double allowed = SpanPercent / 100 * std::fabs(span) + ReadingPercent / 100 * std::fabs(value);
    if (!AbsoluteUnit.isEmpty()) allowed += Absolute * UnitFactor(AbsoluteUnit, unit).value_or(0);
    return allowed;
}

std::optional<TTolerance> ParseTolerance(const QString& text, QString* error) {
    static const QRegularExpression part(
        QStringLiteral("^([0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)\\s*(%\\s*(?:span|rdg)?|[^0-9%+]+)?$"));
    TTolerance t;
    t.Text = text.trimmed();
    const auto bad = [&](const QString& why) {
        *error = QStringLiteral("'%1' %2: give 0.25%, 0.1%rdg+0.05%span or a value with its unit (0.5C, "
                                "2uV, 0.01mA)")
                     .arg(t.Text, why);
        return std::nullopt;
    };
    if (t.Text.isEmpty()) return bad(QStringLiteral("is empty"));
    for (const QString& piece : t.Text.split(QLatin1Char('+'))) {
        const QRegularExpressionMatch m = part.match(piece.trimmed());
        if (!m.hasMatch()) return bad(QStringLiteral("is not a tolerance"));
        const double value = m.captured(1).toDouble();
        QString kind = m.captured(2);
        kind.remove(QLatin1Char(' '));
        // A bare number is % of span, as it always was.
        if (kind.isEmpty() || kind == QLatin1String("%") || kind == QLatin1String("%span")) {
            t.SpanPercent += value;
        } else if (kind == QLatin1String("%rdg")) {
            t.ReadingPercent += value;
        } else {
            if (!SplitUnit(kind)) return bad(QStringLiteral("has the unknown unit '%1'").arg(kind));
            if (!t.AbsoluteUnit.isEmpty() && !UnitFactor(kind, t.AbsoluteUnit))
                return bad(QStringLiteral("mixes units"));
            t.Absolute += t.AbsoluteUnit.isEmpty() ? value : value * *UnitFactor(kind, t.AbsoluteUnit);
            if (t.AbsoluteUnit.isEmpty()) t.AbsoluteUnit = Shown(kind);
        }
    }
    if (t.SpanPercent > 100 || t.ReadingPercent > 100) return bad(QStringLiteral("is above 100 %"));
    if (t.SpanPercent + t.ReadingPercent + t.Absolute <= 0) return bad(QStringLiteral("is not above 0"));
    return t;
}

double ExpandedUncertainty(double reference, double resolution) {
    const double uRef = reference / 2, uRes = resolution / (2 * std::sqrt(3.0));
    return 2 * std::sqrt(uRef * uRef + uRes * uRes);
}

std::optional<TDecisionRule> ParseDecisionRule(const QString& text) {
    if (text == QLatin1String("simple")) return TDecisionRule::Simple;
    if (text == QLatin1String("guard-band")) return TDecisionRule::GuardBand;
    return std::nullopt;
}

QString DecisionRuleName(TDecisionRule rule) {
    return rule == TDecisionRule::Simple ? QStringLiteral("simple") : QStringLiteral("guard-band");
}

QString DecisionRuleText(TDecisionRule rule) {
    return rule == TDecisionRule::Simple
               ? QStringLiteral("simple acceptance: a point passes when its error is within the tolerance; "
                                "one within or outside it by less than its uncertainty is marked so")
               : QStringLiteral("guard band of the expanded uncertainty (k=2): a point passes only when its "
                                "error is within the tolerance less its uncertainty");
}

TDecision Decide(double error, double allowed, double u, TDecisionRule rule) {
    // Compared as the tables show them: an error at a limit is within it.
    const auto r = [](double v) { return std::round(v * 1e9) / 1e9; };
    const double e = r(std::fabs(error));
    if (!std::isfinite(e)) return {QStringLiteral("fail"), false};
    if (e <= r(allowed - u)) return {QStringLiteral("pass"), true};
    if (e <= r(allowed)) return {QStringLiteral("pass (within uncertainty)"), rule == TDecisionRule::Simple};
    if (e <= r(allowed + u)) return {QStringLiteral("fail (within uncertainty)"), false};
    return {QStringLiteral("fail"), false};
}
