#include "Messages.h"

#include "Codec.h"
#include "Commands.h"

namespace Msg {
namespace {
QByteArray Start(uint8_t code) {
    return QByteArray(1, char(code));
}

void AddByte(QByteArray& body, uint8_t value) {
    body.append(char(value));
}

void AddSettingsTail(QByteArray& body, const TOutSettings& s) {
    AddByte(body, s.Invert ? 1 : 0);
    Frame::AppendSingle(body, s.OutMin);
    Frame::AppendSingle(body, s.OutMax);
    Frame::AppendSingle(body, s.AlarmLimit);
    Frame::AppendSingle(body, s.DeadBand);
    AddByte(body, s.AlarmFlags);
}

QByteArray WriteOut(uint8_t code, uint16_t dacCode, const TOutSettings& s) {
    QByteArray body = Start(code);
    AddByte(body, s.Range);
    Frame::AppendWord(body, dacCode);
    AddSettingsTail(body, s);
    return body;
}

QByteArray WithByte(uint8_t code, uint8_t value) {
    QByteArray body = Start(code);
    AddByte(body, value);
    return body;
}

TOutSettings ReadSettingsTail(Frame::Reader& in, uint8_t range) {
    TOutSettings s;
    s.Range = range;
    s.Invert = in.Byte() != 0;
    s.OutMin = in.Single();
    s.OutMax = in.Single();
    s.AlarmLimit = in.Single();
    s.DeadBand = in.Single();
    s.AlarmFlags = in.Byte();
    return s;
}
} // namespace

TInputReport DecodeInputReport(const QByteArray& body) {
    Frame::Reader in{body, 0};
    TInputReport r;
    r.Code = in.Byte();
    r.Status = in.Byte();
    r.RangeCode = in.Byte();
    r.RangeFlag = in.Byte();
    r.Raw = in.Single();
    r.Eng = in.Single();
    r.Seebeck = in.Single();
    r.EuMin = in.Single();
    r.EuMax = in.Single();
    for (uint32_t& word : r.CalFlags)
        word = in.Long();
    r.Ta = in.Single();
    r.TCal = in.Single();
    r.Mode = in.Byte();
    return r;
}

QByteArray EncodeInputReport(const TInputReport& r) {
    QByteArray body;
    body.reserve(InputReportSize);
    AddByte(body, r.Code);
    AddByte(body, r.Status);
    AddByte(body, r.RangeCode);
    AddByte(body, r.RangeFlag);
    for (float value : {r.Raw, r.Eng, r.Seebeck, r.EuMin, r.EuMax})
        Frame::AppendSingle(body, value);
    for (uint32_t word : r.CalFlags)
        Frame::AppendLong(body, word);
    Frame::AppendSingle(body, r.Ta);
    Frame::AppendSingle(body, r.TCal);
    AddByte(body, r.Mode);
    return body;
}

TOutputReport DecodeOutputReport(const QByteArray& body) {
    Frame::Reader in{body, 0};
    TOutputReport r;
    r.Code = in.Byte();
    r.Status = in.Byte();
    r.Range = in.Byte();
    r.RangeFlag = in.Byte();
    r.ZeroCode = in.Word();
    r.FullCode = in.Word();
    r.Invert = in.Byte();
    r.ZeroCalFlags = in.Word();
    r.FullCalFlags = in.Word();
    r.OutMin = in.Single();
    r.OutMax = in.Single();
    r.DacCode = in.Word();
    r.Ta = in.Single();
    r.TCal = in.Single();
    r.Mode = in.Byte();
    r.AlarmLimit = in.Single();
    r.DeadBand = in.Single();
    r.AlarmFlags = in.Byte();
    r.AlarmState = in.Byte();
    r.AlarmReadBack = in.Byte();
    return r;
}

QByteArray EncodeOutputReport(const TOutputReport& r) {
    QByteArray body;
    body.reserve(OutputReportSize);
    AddByte(body, r.Code);
    AddByte(body, r.Status);
    AddByte(body, r.Range);
    AddByte(body, r.RangeFlag);
    Frame::AppendWord(body, r.ZeroCode);
    Frame::AppendWord(body, r.FullCode);
    AddByte(body, r.Invert);
    Frame::AppendWord(body, r.ZeroCalFlags);
    Frame::AppendWord(body, r.FullCalFlags);
    Frame::AppendSingle(body, r.OutMin);
    Frame::AppendSingle(body, r.OutMax);
    Frame::AppendWord(body, r.DacCode);
    Frame::AppendSingle(body, r.Ta);
    Frame::AppendSingle(body, r.TCal);
    AddByte(body, r.Mode);
    Frame::AppendSingle(body, r.AlarmLimit);
    Frame::AppendSingle(body, r.DeadBand);
    AddByte(body, r.AlarmFlags);
    AddByte(body, r.AlarmState);
    AddByte(body, r.AlarmReadBack);
    return body;
}

uint8_t DecodeMode(const QByteArray& body) {
    return Frame::Reader{body, 1}.Byte();
}

QByteArray EncodeMode(uint8_t code, uint8_t mode) {
    return WithByte(code, mode);
}

QString DecodeVersion(const QByteArray& body) {
    Frame::Reader in{body, 1};
    QString text;
    for (int i = 0; i < VersionTextSize; ++i)
        text.append(QChar::fromLatin1(static_cast<char>(in.Byte())));
    while (!text.isEmpty() && text.back().unicode() <= 32)
        text.chop(1);
    return text;
}

QByteArray EncodeVersion(const QString& text) {
    return Start(cmdReadVersion) + text.toLatin1().left(VersionTextSize).leftJustified(VersionTextSize, ' ');
}

QByteArray EncodeOpResult(bool ok) {
    return WithByte(cmdSetToolkitVer, ok ? 1 : 0);
}

QByteArray EncodeDacDone() {
    return Start(cmdSetDac);
}

QByteArray CalZero(uint8_t rangeCode) {
    return WithByte(cmdCalZero, rangeCode);
}

QByteArray CalFull(uint8_t rangeCode, float fullScale) {
    QByteArray body = WithByte(cmdCalFull, rangeCode);
    Frame::AppendSingle(body, fullScale);
    return body;
}

QByteArray ReadActiveIn(uint8_t rangeCode) {
    return WithByte(cmdReadActiveIn, rangeCode);
}
QByteArray ReadPermIn() {
    return Start(cmdReadPermIn);
}
QByteArray ClearInCal() {
    return Start(cmdClearInCal);
}
QByteArray SetTempIn(uint8_t rangeCode) {
    return WithByte(cmdSetTempIn, rangeCode);
}

QByteArray SetPermIn(uint8_t rangeCode, float euMin, float euMax) {
    QByteArray body = WithByte(cmdSetPermIn, rangeCode);
    Frame::AppendSingle(body, euMin);
    Frame::AppendSingle(body, euMax);
    return body;
}

QByteArray SetDac(uint8_t range, uint16_t dacCode) {
    QByteArray body = WithByte(cmdSetDac, range);
    Frame::AppendWord(body, dacCode);
    return body;
}

QByteArray WriteOutZero(uint16_t dacCode, const TOutSettings& settings) {
    return WriteOut(cmdWriteOutZero, dacCode, settings);
}

QByteArray WriteOutFull(uint16_t dacCode, const TOutSettings& settings) {
    return WriteOut(cmdWriteOutFull, dacCode, settings);
}

QByteArray ReadActiveOut(uint8_t range) {
    return WithByte(cmdReadActiveOut, range);
}
QByteArray ReadPermOut() {
    return Start(cmdReadPermOut);
}
QByteArray ClearOutCal() {
    return Start(cmdClearOutCal);
}
QByteArray SetTempOut(uint8_t range) {
    return WithByte(cmdSetTempOut, range);
}

QByteArray SetPermOut(const TOutSettings& settings) {
    QByteArray body = WithByte(cmdSetPermOut, settings.Range);
    AddSettingsTail(body, settings);
    return body;
}

QByteArray SetMode(uint8_t mode) {
    return WithByte(cmdSetMode, mode);
}
QByteArray QueryMode(uint8_t mode) {
    return WithByte(cmdQueryMode, mode);
}
QByteArray ReadVersion() {
    return Start(cmdReadVersion);
}
QByteArray SetToolkitVer(uint8_t version) {
    return WithByte(cmdSetToolkitVer, version);
}

int RequestSize(uint8_t code) {
    switch (code) {
    case cmdCalZero:
    case cmdReadActiveIn:
    case cmdSetTempIn:
    case cmdReadActiveOut:
    case cmdSetTempOut:
    case cmdSetMode:
    case cmdQueryMode:
    case cmdSetToolkitVer:
        return 2;
    case cmdCalFull:
        return 6;
    case cmdSetPermIn:
        return 10;
    case cmdSetDac:
        return 4;
    case cmdWriteOutZero:
    case cmdWriteOutFull:
        return 22;
    case cmdSetPermOut:
        return 20;
    default:
        return 1;
    }
}

TRequest DecodeRequest(const QByteArray& body) {
    TRequest r;
    Frame::Reader in{body, 0};
    r.Code = in.Byte();
    r.Complete = !body.isEmpty() && body.size() >= RequestSize(r.Code);
    switch (r.Code) {
    case cmdCalZero:
    case cmdReadActiveIn:
    case cmdSetTempIn:
    case cmdReadActiveOut:
    case cmdSetTempOut:
        r.Range = in.Byte();
        break;
    case cmdCalFull:
        r.Range = in.Byte();
        r.FullScale = in.Single();
        break;
    case cmdSetPermIn:
        r.Range = in.Byte();
        r.EuMin = in.Single();
        r.EuMax = in.Single();
        break;
    case cmdSetDac:
        r.Range = in.Byte();
        r.DacCode = in.Word();
        break;
    case cmdWriteOutZero:
    case cmdWriteOutFull:
        r.Range = in.Byte();
        r.DacCode = in.Word();
        r.Out = ReadSettingsTail(in, r.Range);
        break;
    case cmdSetPermOut:
        r.Range = in.Byte();
        r.Out = ReadSettingsTail(in, r.Range);
        break;
    case cmdSetMode:
    case cmdQueryMode:
    case cmdSetToolkitVer:
        r.Value = in.Byte();
        break;
    default:
        break;
    }
    return r;
}
} // namespace Msg

QString CommandName(uint8_t code) {
    switch (code) {
    case cmdCalZero:
        return QStringLiteral("cmdCalZero");
    case cmdCalFull:
        return QStringLiteral("cmdCalFull");
    case cmdReadActiveIn:
        return QStringLiteral("cmdReadActiveIn");
    case cmdReadPermIn:
        return QStringLiteral("cmdReadPermIn");
    case cmdClearInCal:
        return QStringLiteral("cmdClearInCal");
    case cmdSetTempIn:
        return QStringLiteral("cmdSetTempIn");
    case cmdSetPermIn:
        return QStringLiteral("cmdSetPermIn");
    case cmdSetDac:
        return QStringLiteral("cmdSetDac");
    case cmdWriteOutZero:
        return QStringLiteral("cmdWriteOutZero");
    case cmdWriteOutFull:
        return QStringLiteral("cmdWriteOutFull");
    case cmdReadActiveOut:
        return QStringLiteral("cmdReadActiveOut");
    case cmdReadPermOut:
        return QStringLiteral("cmdReadPermOut");
    case cmdClearOutCal:
        return QStringLiteral("cmdClearOutCal");
    case cmdSetTempOut:
        return QStringLiteral("cmdSetTempOut");
    case cmdSetPermOut:
        return QStringLiteral("cmdSetPermOut");
    case cmdSetMode:
        return QStringLiteral("cmdSetMode");
    case cmdQueryMode:
        return QStringLiteral("cmdQueryMode");
    case cmdReadVersion:
        return QStringLiteral("cmdReadVersion");
    case cmdSetToolkitVer:
        return QStringLiteral("cmdSetToolkitVer");
    default:
        return QStringLiteral("unknown command %1").arg(code);
    }
}
