// Writes the seed corpus of fuzz_link: the frames a transmitter sends (input and
// output reports, version, mode and toolkit answers, the bare success of a DAC
// trim), the same with status 0, short, unknown and out-of-range ones, the worked
// request frames read back as if echoed, and the collector's awkward streams, each
// as one small file in the input format of fuzz_link.
//
// Usage: fuzz_corpus DIR
// The bytes are built here from the wire format alone, not by the tool's codec.
#include "Selectors.h"
#include "Steps.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = TBytes;

struct TIn {
    uint8_t Status = 1, Range = 3, RangeFlag = 1;
    float Raw = 1234.5f, Eng = 30.2f, Seebeck = 980.0f, EuMin = -200.0f, EuMax = 1372.0f;
    uint32_t W1 = 0x00000009, W2 = 0x01, W3 = 0x00010008, W4 = 0x80;
    float Ta = 24.5f, TCal = 23.0f;
    uint8_t Mode = 0;
};

Bytes InputReport(uint8_t code, const TIn& r) {
    Bytes b{code, r.Status, r.Range, r.RangeFlag};
    for (float f : {r.Raw, r.Eng, r.Seebeck, r.EuMin, r.EuMax})
        PutSingle(b, f);
    for (uint32_t w : {r.W1, r.W2, r.W3, r.W4})
        PutLong(b, w);
    PutSingle(b, r.Ta);
    PutSingle(b, r.TCal);
    PutByte(b, r.Mode);
    return b; // 49 bytes
}

struct TOut {
    uint8_t Status = 1, Range = 1, RangeFlag = 1;
    uint16_t Zero = 6553, Full = 32767;
    uint8_t Invert = 0;
    uint16_t ZeroFlags = 0x02, FullFlags = 0x03;
    float Min = 4.0f, Max = 20.0f;
    uint16_t Present = 16384;
    float Ta = 24.5f, TCal = 23.0f;
    uint8_t Mode = 0;
    float Limit = 500.0f, DeadBand = 10.0f;
    uint8_t AlarmFlags = 1, AlarmState = 0, Readback = 1;
};

Bytes OutputReport(uint8_t code, const TOut& r) {
    Bytes b{code, r.Status, r.Range, r.RangeFlag};
    PutWord(b, r.Zero);
    PutWord(b, r.Full);
    PutByte(b, r.Invert);
    PutWord(b, r.ZeroFlags);
    PutWord(b, r.FullFlags);
    PutSingle(b, r.Min);
    PutSingle(b, r.Max);
    PutWord(b, r.Present);
    PutSingle(b, r.Ta);
    PutSingle(b, r.TCal);
    PutByte(b, r.Mode);
    PutSingle(b, r.Limit);
    PutSingle(b, r.DeadBand);
    PutByte(b, r.AlarmFlags);
    PutByte(b, r.AlarmState);
    PutByte(b, r.Readback);
    return b; // 43 bytes
}

Bytes Version(const std::string& text, bool pad) {
    Bytes b{48};
    for (char c : text)
        b.push_back(uint8_t(c));
    while (pad && b.size() < 51)
        b.push_back(' ');
    return b;
}

Bytes Hex(const char* text) {
    Bytes b;
    unsigned v;
    int n;
    while (std::sscanf(text, " %2x%n", &v, &n) == 1) {
        b.push_back(uint8_t(v));
        text += n;
    }
    return b;
}

// One input: its flags and records of (selector, clock steps of 20 ms, bytes).
struct TSeed {
    std::string Name;
    uint8_t Flags = 0;
    struct TRecord {
        uint8_t Sel, Adv;
        Bytes Chunk;
    };
    std::vector<TRecord> Records;
    TSeed& Then(uint8_t sel, const Bytes& chunk, uint8_t adv = 30) {
        // A chunk holds at most 255 bytes; longer streams take several records.
        size_t pos = 0;
        do {
            const size_t n = std::min<size_t>(255, chunk.size() - pos);
            Records.push_back({pos == 0 ? sel : uint8_t(selNothing),
                               pos + n == chunk.size() ? adv : uint8_t(0),
                               Bytes(chunk.begin() + long(pos), chunk.begin() + long(pos + n))});
            pos += n;
        } while (pos < chunk.size());
        return *this;
    }
};

Bytes Serialise(const TSeed& s) {
    TSteps steps{s.Flags, {}};
    for (const auto& r : s.Records)
        steps.Steps.push_back(TStep{r.Sel, r.Adv, r.Chunk});
    return SerialiseSteps(steps);
}

std::vector<TSeed> Seeds() {
    std::vector<TSeed> seeds;
    auto seed = [&](const char* name, uint8_t flags) -> TSeed& {
        seeds.push_back(TSeed{name, flags, {}});
        return seeds.back();
    };
    const TIn in;

    // Input reports: the first read of the programmed range, a later one, every
    // other input code, and the odd ones.
    seed("in_perm_first", fInStart | fPaint).Then(selGetPermIn, FrameOf(InputReport(4, in)));
    seed("in_perm_twice", fInStart)
        .Then(selGetPermIn, FrameOf(InputReport(4, in)))
        .Then(selGetPermIn, FrameOf(InputReport(4, in)));
    for (uint8_t code : {1, 2, 3, 5, 6}) {
        TIn r = in;
        r.Range = uint8_t(10 + code); // RTD codes with wiring
        seed(("in_active_code" + std::to_string(code)).c_str(), 0)
            .Then(Raw(code), FrameOf(InputReport(code, r)));
    }
    seed("in_setperm_repeated_then_toolkit_refused", fInStart)
        .Then(Raw(7), FrameOf(InputReport(7, in)))
        .Then(selRepeatFrame, FrameOf(Bytes{51, 0}));
    seed("in_setperm_toolkit", fInStart)
        .Then(Raw(7), FrameOf(InputReport(7, in)))
        .Then(selNothing, FrameOf(Bytes{51, 1}));
    // Frames of the programming's code, and of the toolkit version's, that come
    // while the bytes are still held on a stalled line are no answers: nothing
    // ends, and what is held never goes out after a verdict.
    seed("in_setperm_answered_before_it_left", fInStart)
        .Then(selStall, Bytes{}, 0)
        .Then(Raw(7), FrameOf(InputReport(7, in)))
        .Then(selNothing, FrameOf(Bytes{51, 1}));
    {
        TIn r = in;
        r.Status = 0;
        seed("in_status0", fInStart).Then(selGetPermIn, FrameOf(InputReport(4, r)));
        seed("in_setperm_status0", fInStart)
            .Then(Raw(7), FrameOf(InputReport(7, r)))
            .Then(selNothing, FrameOf(Bytes{51, 0}));
        // The refusal must stay on the line through the toolkit version's success,
        // and through a DAC step's answer to a request of no person's.
        seed("in_setperm_status0_toolkit_ok", fInStart)
            .Then(Raw(7), FrameOf(InputReport(7, r)))
            .Then(selNothing, FrameOf(Bytes{51, 1}));
        seed("in_setperm_status0_then_bare_dac", fInStart)
            .Then(Raw(7), FrameOf(InputReport(7, r)))
            .Then(Raw(16), FrameOf(Bytes{51, 1}), 2)
            .Then(selNothing, FrameOf(Bytes{16}));
    }
    seed("in_short", fInStart).Then(selGetPermIn, FrameOf(Bytes{4, 1, 12}));
    for (uint8_t range : {0, 12, 16, 21, 39, 40, 63, 255}) {
        TIn r = in;
        r.Range = range;
        r.RangeFlag = range & 1;
        r.Mode = range & 2;
        seed(("in_range" + std::to_string(range)).c_str(), fInStart | fPaint)
            .Then(selGetPermIn, FrameOf(InputReport(4, r)))
            .Then(selGetTempIn, FrameOf(InputReport(3, r)));
    }
    {
        TIn r = in;
        r.Raw = 1e30f;
        r.Eng = -1e30f;
        uint32_t nan = 0x7FC00000, inf = 0x7F800000;
        std::memcpy(&r.EuMin, &nan, 4);
        std::memcpy(&r.EuMax, &inf, 4);
        r.W1 = r.W2 = r.W3 = r.W4 = 0xFFFFFFFF;
        seed("in_extreme_values", fInStart | fPaint).Then(selGetPermIn, FrameOf(InputReport(4, r)));
    }
    seed("in_full_mode", fFull | fInStart | fPaint)
        .Then(selGetPermIn, FrameOf(InputReport(4, in)))
        .Then(Raw(1), FrameOf(InputReport(1, in)))
        .Then(Raw(5), FrameOf(InputReport(5, in)))
        .Then(selStepInRange, FrameOf(InputReport(6, in)))
        .Then(selStepWiring, FrameOf(InputReport(6, in)));

    // Output reports.
    const TOut out;
    seed("out_perm_first", fOutStart | fPaint).Then(selGetPermOut, FrameOf(OutputReport(20, out)));
    seed("out_perm_twice", fOutStart)
        .Then(selGetPermOut, FrameOf(OutputReport(20, out)))
        .Then(selGetPermOut, FrameOf(OutputReport(20, out)));
    for (uint8_t code : {17, 18, 19, 21, 22, 23}) {
        TOut r = out;
        r.Range = code & 1;
        r.Invert = code & 2;
        r.AlarmFlags = code & 3;
        r.AlarmState = code & 4;
        r.Readback = code & 1;
        seed(("out_active_code" + std::to_string(code)).c_str(), 0)
            .Then(Raw(code), FrameOf(OutputReport(code, r)));
    }
    {
        TOut r = out;
        r.Status = 0;
        seed("out_status0", fOutStart).Then(selGetPermOut, FrameOf(OutputReport(20, r)));
        r = out;
        r.Range = 2;
        seed("out_range2", fOutStart | fPaint).Then(selGetPermOut, FrameOf(OutputReport(20, r)));
        r.Range = 255;
        seed("out_range255", 0).Then(selGetTempOut, FrameOf(OutputReport(19, r)));
        r = out;
        r.Zero = r.Full = 4098; // both escaped bytes, and no span: "N/A"
        seed("out_no_span", fOutStart | fPaint).Then(selGetPermOut, FrameOf(OutputReport(20, r)));
        r = out;
        r.Zero = 65535;
        r.Full = 0;
        r.Present = 65535;
        r.RangeFlag = 0;
        seed("out_inverted_codes", fOutStart).Then(selGetPermOut, FrameOf(OutputReport(20, r)));
    }
    seed("out_short", fOutStart).Then(selGetPermOut, FrameOf(Bytes{20, 1, 0, 1, 0x10}));
    seed("out_full_mode", fFull | fOutStart | fPaint)
        .Then(selGetPermOut, FrameOf(OutputReport(20, out)))
        .Then(Raw(16), FrameOf(Bytes{16}))
        .Then(Raw(17), FrameOf(OutputReport(17, out)))
        .Then(selStepOutRange, FrameOf(OutputReport(22, out)));
    seed("dac_success", 0).Then(Raw(16), FrameOf(Bytes{16, 0xAA, 0x55}));

    // Mode, version and toolkit answers.
    seed("mode_cal", 0).Then(selQueryMode, FrameOf(Bytes{33, 1}));
    seed("mode_run", 0).Then(Raw(32), FrameOf(Bytes{32, 0}));
    seed("mode_odd", 0).Then(selQueryMode, FrameOf(Bytes{33, 0x10}));
    seed("mode_code_only", 0).Then(selQueryMode, FrameOf(Bytes{33}));
    seed("version_padded", fPaint).Then(selReadVersion, FrameOf(Version("MRT9-DX V2.10", true)));
    seed("version_full_width", 0).Then(selReadVersion, FrameOf(Version(std::string(50, 'V'), false)));
    seed("version_code_only", 0).Then(selReadVersion, FrameOf(Bytes{48}));
    {
        Bytes v{48};
        for (int i = 0; i < 50; ++i)
            v.push_back(uint8_t(i * 5 + 1));
        seed("version_every_byte", 0).Then(selReadVersion, FrameOf(v));
    }
    seed("toolkit_ok", 0).Then(Raw(51), FrameOf(Bytes{51, 1}));
    seed("toolkit_failed", 0).Then(Raw(51), FrameOf(Bytes{51, 0}));

    // What the dispatch does not know, and bodies no transmitter sends.
    for (uint8_t code : {0, 8, 15, 24, 34, 47, 49, 52, 255})
        seed(("unknown_code" + std::to_string(code)).c_str(), 0)
            .Then(Raw(code), FrameOf(Bytes{code, 1, 2, 3}));
    seed("empty_body", 0).Then(selReadVersion, Hex("02 03"));
    seed("lone_escape", 0).Then(selReadVersion, Hex("02 10 03"));
    seed("body_130", 0).Then(selReadVersion, FrameOf(Bytes(130, 0x41)));
    {
        Bytes longBody{0x02};
        longBody.insert(longBody.end(), 1100, 0x30);
        longBody.push_back(0x03);
        seed("body_1100", 0).Then(selReadVersion, longBody);
    }

    // The collector: noise around a frame, two frames, a frame in pieces, an STX
    // followed by silence, and an answer nobody asked for.
    seed("collector_noise", 0).Then(selReadVersion, Hex("41 02 05 02 06 03 42"));
    {
        Bytes two = FrameOf(Bytes{33, 1});
        const Bytes second = FrameOf(Bytes{33, 0});
        two.insert(two.end(), second.begin(), second.end());
        seed("collector_two_frames", 0).Then(selQueryMode, two);
        const Bytes in4 = FrameOf(InputReport(4, in));
        const Bytes head(in4.begin(), in4.begin() + 20), tail(in4.begin() + 20, in4.end());
        seed("collector_split", fInStart).Then(selGetPermIn, head, 1).Then(selNothing, tail);
        seed("collector_stx_silence", 0)
            .Then(selReadVersion, Hex("02 30 41"), 200)
            .Then(selNothing, FrameOf(Version("late", true)));
        seed("collector_unasked", 0).Then(selNothing, FrameOf(InputReport(3, in)));
        seed("collector_no_answer", 0).Then(selGetPermIn, Bytes{}, 255).Then(selNothing, Bytes{}, 255);
    }

    // The worked request frames, as if the line echoed them.
    int echo = 0;
    for (const char* hex : {"02 04 03",
                            "02 30 03",
                            "02 21 00 03",
                            "02 33 A1 03",
                            "02 05 03",
                            "02 15 03",
                            "02 20 01 03",
                            "02 10 FD 10 FC 00 00 C8 42 03",
                            "02 10 EF 01 10 EF 10 FC 03",
                            "02 07 10 FC 00 00 48 C3 00 80 AB 44 03",
                            "02 06 0C 03",
                            "02 01 10 EF 03",
                            "02 10 FD 10 FC 00 66 56 47 03",
                            "02 14 03",
                            "02 13 01 03",
                            "02 17 01 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03",
                            "02 10 EF 00 10 FD 10 EF 03",
                            "02 10 EF 01 80 0C 03",
                            "02 10 EF 00 40 9C 03",
                            "02 11 01 99 19 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03"}) {
        const Bytes frame = Hex(hex);
        const uint8_t code = frame[1] == 0x10 ? uint8_t(0xFF - frame[2]) : frame[1];
        char name[32];
        std::snprintf(name, sizeof name, "echo_%02u_code%u", unsigned(echo++), unsigned(code));
        seed(name, fInStart | fOutStart).Then(Raw(code), frame);
    }
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    int written = 0;
    for (const TSeed& s : Seeds()) {
        const std::string path = std::string(argv[1]) + "/" + s.Name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            std::perror(path.c_str());
            return 1;
        }
        const Bytes data = Serialise(s);
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        ++written;
    }
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return 0;
}
