#pragma once
// Tolerances, measurement uncertainty and the decision rule of `check`.
//
// A tolerance is a sum of parts: % of span, % of reading and an absolute value
// in a unit ("0.25%", "0.1%rdg+0.05%span", "0.5C", "2uV", "0.01mA"). A point's
// expanded uncertainty (k=2) combines the reference's with the display's
// resolution: U = 2 * sqrt((Uref/2)^2 + (res/(2*sqrt(3)))^2).
#include <QString>
#include <optional>

struct TTolerance {
    double SpanPercent = 0;    // % of span
    double ReadingPercent = 0; // % of reading
    double Absolute = 0;       // in AbsoluteUnit
    QString AbsoluteUnit;      // "°C", "µV", "mA"...: a base unit with its prefix
    QString Text;              // as given
    // Whether the absolute part, if any, can be told in `unit` (" °C", "mV").
    bool Fits(const QString& unit) const;
    // The error allowed at `value` (the applied or ideal value) on `span`, in `unit`.
    double Allowed(double value, double span, const QString& unit) const;
};

// Reads a tolerance; nothing with *error set when the text is none.
std::optional<TTolerance> ParseTolerance(const QString& text, QString* error);

// How far `from` is from `to` in one base unit: 1e-3 from "µV" to "mV";
// nothing when the two are no prefixes of one unit.
std::optional<double> UnitFactor(const QString& from, const QString& to);

// The expanded uncertainty (k=2) of a point from the reference's expanded
// uncertainty and the display's resolution (one step of its last digit).
double ExpandedUncertainty(double reference, double resolution);

enum class TDecisionRule { Simple, GuardBand };
std::optional<TDecisionRule> ParseDecisionRule(const QString& text);
QString DecisionRuleName(TDecisionRule rule); // "simple", "guard-band"
QString DecisionRuleText(TDecisionRule rule); // the sentence on the certificate

struct TDecision {
    QString Verdict; // "pass", "fail", "pass (within uncertainty)", "fail (within uncertainty)"
    bool Accepted = false;
};
// The verdict of an error against the tolerance `allowed` with the uncertainty `u`:
// within tolerance by less than u, or outside it by less than u, is "within
// uncertainty"; simple acceptance accepts the first, a guard band neither.
TDecision Decide(double error, double allowed, double u, TDecisionRule rule);
