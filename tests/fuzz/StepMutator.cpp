// The mutator of fuzz_link: it changes an input as a sequence of steps (a
// person's action or a thing that happens to the line, the frames the
// transmitter sends, how long the clock runs) rather than as raw bytes, so that
// whole, well-framed answers of the right layout, refusals, late answers and
// stalls arise in few mutations. One mutation in eight is libFuzzer's own on the
// raw bytes, so that nothing the byte-level search finds is out of reach.
#include "Selectors.h"
#include "Steps.h"

#include <algorithm>
#include <cstring>
#include <random>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

using TRng = std::minstd_rand;

const uint8_t KnownCodes[] = {1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23, 32, 33, 48, 51};

size_t Pick(TRng& rng, size_t n) {
    return n == 0 ? 0 : size_t(rng() % n);
}

bool OneIn(TRng& rng, unsigned n) {
    return rng() % n == 0;
}

// The command code the step's request most likely carries (0: none or unknown).
uint8_t CodeOf(uint8_t sel) {
    if (sel & 0x80) return sel & 0x7F;
    static const uint8_t codes[selCount] = {
        48, 33, 51, 32, 5, 21, 4, 3, 7, 6, 0, 0, 1, 2, 20, 19, 22, 23, 0, 0, 16, 16, 16, 16, 17, 18,
    };
    return codes[sel % selCount];
}

uint8_t RandomSel(TRng& rng) {
    switch (rng() % 10) {
    case 0:
    case 1:
    case 2:
    case 3:
        return uint8_t(Pick(rng, selStepOutRange + 1)); // a person's action
    case 4:
    case 5:
    case 6:
        return uint8_t(selResourceError + Pick(rng, selCount - selResourceError)); // the line
    case 7:
    case 8:
        return Raw(KnownCodes[Pick(rng, sizeof KnownCodes)]);
    default:
        return uint8_t(rng());
    }
}

uint8_t RandomAdv(TRng& rng) {
    // Quick steps, a pause, past the status line's times, past the reply time.
    static const uint8_t advs[] = {0, 1, 2, 5, 10, 30, 60, 110, 150, 205, 215, 255};
    return OneIn(rng, 4) ? uint8_t(rng()) : advs[Pick(rng, sizeof advs)];
}

// A single the tool may meet: ordinary values, limits, and what is no number.
float RandomSingle(TRng& rng) {
    static const float values[] = {0.0f, 1.0f, -1.0f, 24.5f, -200.0f, 1372.0f, 4.0f, 20.0f, 1e30f, -1e-30f};
    if (OneIn(rng, 8)) {
        const uint32_t bits[] = {0x7FC00000u, 0x7F800000u, 0xFF800000u, uint32_t(rng())};
        float f;
        std::memcpy(&f, &bits[Pick(rng, 4)], 4);
        return f;
    }
    return values[Pick(rng, sizeof values / sizeof values[0])];
}

uint8_t RandomStatus(TRng& rng) {
    return OneIn(rng, 4) ? 0 : 1;
}

// The decoded body of an answer of the code: whole and of its layout mostly,
// now and then refused, cut short, its code alone, or naming an unknown range.
TBytes AnswerBody(TRng& rng, uint8_t code) {
    TBytes b{code};
    if (code >= 1 && code <= 7) {
        PutByte(b, RandomStatus(rng));
        PutByte(b, OneIn(rng, 10) ? uint8_t(rng()) : uint8_t(Pick(rng, 40)));
        PutByte(b, uint8_t(rng() & 1));
        for (int i = 0; i < 5; ++i)
            PutSingle(b, RandomSingle(rng));
        for (int i = 0; i < 4; ++i)
            PutLong(b, OneIn(rng, 2) ? uint32_t(rng()) : uint32_t(Pick(rng, 16)));
        PutSingle(b, RandomSingle(rng));
        PutSingle(b, RandomSingle(rng));
        PutByte(b, uint8_t(rng() & 1));
    } else if (code >= 17 && code <= 23) {
        PutByte(b, RandomStatus(rng));
        PutByte(b, OneIn(rng, 10) ? uint8_t(rng()) : uint8_t(rng() & 1));
        PutByte(b, uint8_t(rng() & 1));
        for (int i = 0; i < 2; ++i)
            PutWord(b, uint16_t(rng()));
        PutByte(b, uint8_t(rng() & 1));
        for (int i = 0; i < 2; ++i)
            PutWord(b, uint16_t(rng() & 3));
        PutSingle(b, RandomSingle(rng));
        PutSingle(b, RandomSingle(rng));
        PutWord(b, uint16_t(rng()));
        for (int i = 0; i < 2; ++i)
            PutSingle(b, RandomSingle(rng));
        PutByte(b, uint8_t(rng() & 1));
        for (int i = 0; i < 2; ++i)
            PutSingle(b, RandomSingle(rng));
        for (int i = 0; i < 3; ++i)
            PutByte(b, uint8_t(rng() & 3));
    } else if (code == 48) {
        static const char* texts[] = {"MRT9-DX V2.10", "", "  ", "V", "\x01\x1f"};
        const char* text = texts[Pick(rng, 5)];
        b.insert(b.end(), text, text + std::strlen(text));
        while (OneIn(rng, 2) && b.size() < 51)
            b.push_back(uint8_t(0x20 + rng() % 0x5F));
    } else if (code == 16) {
        if (OneIn(rng, 2)) PutByte(b, uint8_t(rng()));
    } else {
        PutByte(b, code == 51 ? RandomStatus(rng) : uint8_t(rng() & 1));
    }
    if (OneIn(rng, 10)) b.resize(1 + Pick(rng, b.size())); // cut short
    return b;
}

// A code the next frame most likely answers: the step's own request, one of the
// steps before (or the toolkit version the tool sends after a programming of
// the input range), or any code the tool knows.
uint8_t AnswerCode(TRng& rng, const TSteps& s, size_t at) {
    for (size_t back = 0; back <= at && back < 4; ++back) {
        const uint8_t code = CodeOf(s.Steps[at - back].Sel);
        if (code == 7 && OneIn(rng, 3)) return 51;
        if (code && OneIn(rng, 2)) return code;
    }
    return KnownCodes[Pick(rng, sizeof KnownCodes)];
}

TBytes RandomChunk(TRng& rng, const TSteps& s, size_t at) {
    switch (rng() % 8) {
    case 0:
    case 1:
        return {};
    case 2: // a copy of another step's bytes
        return s.Steps[Pick(rng, s.Steps.size())].Chunk;
    case 3: { // two frames at once
        TBytes two = FrameOf(AnswerBody(rng, AnswerCode(rng, s, at)));
        const TBytes second = FrameOf(AnswerBody(rng, AnswerCode(rng, s, at)));
        two.insert(two.end(), second.begin(), second.end());
        return two;
    }
    default:
        return FrameOf(AnswerBody(rng, AnswerCode(rng, s, at)));
    }
}

TStep RandomStep(TRng& rng, const TSteps& s, size_t at) {
    TStep step;
    step.Sel = RandomSel(rng);
    step.Adv = RandomAdv(rng);
    TSteps with = s;
    with.Steps.insert(with.Steps.begin() + long(at), step);
    step.Chunk = RandomChunk(rng, with, at);
    return step;
}

// The bytes of a step's chunk under libFuzzer's own mutations.
void MutateChunk(TBytes& chunk) {
    const size_t size = chunk.size();
    chunk.resize(255);
    chunk.resize(LLVMFuzzerMutate(chunk.data(), size, 255));
}

void MutateOnce(TSteps& s, TRng& rng) {
    const size_t n = s.Steps.size();
    const size_t at = Pick(rng, n);
    switch (n == 0 ? 0 : rng() % 9) {
    case 0:
    case 1: // a new step anywhere
        if (n < MaxSteps) {
            const size_t where = Pick(rng, n + 1);
            s.Steps.insert(s.Steps.begin() + long(where), RandomStep(rng, s, where));
        }
        return;
    case 2:
        s.Steps.erase(s.Steps.begin() + long(at));
        return;
    case 3:
        if (n < MaxSteps) s.Steps.insert(s.Steps.begin() + long(at), s.Steps[at]);
        return;
    case 4:
        std::swap(s.Steps[at], s.Steps[Pick(rng, n)]);
        return;
    case 5:
        s.Steps[at].Sel = RandomSel(rng);
        return;
    case 6:
        s.Steps[at].Adv = RandomAdv(rng);
        return;
    case 7:
        s.Steps[at].Chunk = RandomChunk(rng, s, at);
        return;
    default:
        if (OneIn(rng, 4))
            s.Flags ^= uint8_t(1u << Pick(rng, 4));
        else
            MutateChunk(s.Steps[at].Chunk);
        return;
    }
}

size_t Store(const TSteps& s, uint8_t* data, size_t maxSize) {
    TSteps fitted = s;
    TBytes out = SerialiseSteps(fitted);
    while (out.size() > maxSize && !fitted.Steps.empty()) {
        fitted.Steps.pop_back();
        out = SerialiseSteps(fitted);
    }
    const size_t size = std::min(out.size(), maxSize);
    std::memcpy(data, out.data(), size);
    return size;
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    TRng rng(seed);
    if (OneIn(rng, 8)) return LLVMFuzzerMutate(data, size, maxSize);
    TSteps s = ParseSteps(data, size);
    for (unsigned i = 1 + rng() % 3; i > 0; --i)
        MutateOnce(s, rng);
    // A paint of the window costs as much as ten inputs without one: most
    // mutants of an input that paints do not.
    if ((s.Flags & fPaint) && !OneIn(rng, 8)) s.Flags &= uint8_t(~fPaint);
    return Store(s, data, maxSize);
}

// The steps of one input up to a point, then those of the other from a point.
extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* data1, size_t size1, const uint8_t* data2,
                                            size_t size2, uint8_t* out, size_t maxOutSize,
                                            unsigned int seed) {
    TRng rng(seed);
    const TSteps a = ParseSteps(data1, size1), b = ParseSteps(data2, size2);
    TSteps c;
    c.Flags = OneIn(rng, 2) ? a.Flags : b.Flags;
    const size_t fromA = Pick(rng, a.Steps.size() + 1), fromB = Pick(rng, b.Steps.size() + 1);
    c.Steps.assign(a.Steps.begin(), a.Steps.begin() + long(fromA));
    c.Steps.insert(c.Steps.end(), b.Steps.begin() + long(fromB), b.Steps.end());
    if (c.Steps.size() > MaxSteps) c.Steps.resize(MaxSteps);
    return Store(c, out, maxOutSize);
}
