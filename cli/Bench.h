#pragma once
// The bench file (--bench FILE): who calibrates where, with which reference
// standards, under which decision rule. A certificate names them all.
#include "Tolerance.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

struct TCalReference {
    QString Role;           // "input_calibrator" or "output_meter"
    QString Identification; // maker, model, serial
    QString Certificate;    // its own calibration certificate, the traceability
    QString TraceableTo;
    QDate Due;
    double Uncertainty = 0; // expanded, k=2
    QString UncertaintyUnit;
    QJsonObject Json() const;
};

struct TCalBench {
    QString Organisation, Location;
    QList<TCalReference> References;
    TDecisionRule Rule = TDecisionRule::Simple;
    const TCalReference* Find(const QString& role) const;
};

// Reads a bench file; unknown keys, wrong types and missing fields are refused
// with the line and column where they are.
std::optional<TCalBench> ParseBench(const QByteArray& text, QString* error);

// Why a certificate cannot be issued with this bench on `today`: a reference
// past its due date, or none for a quantity that is measured. Empty when it can.
QString BenchProblem(const TCalBench& bench, bool inputMeasured, bool outputMeasured, const QDate& today);
