#include "Steps.h"

#include <algorithm>
#include <cstring>

TSteps ParseSteps(const uint8_t* data, size_t size) {
    TSteps out;
    if (size == 0) return out;
    out.Flags = data[0];
    size_t pos = 1;
    while (pos < size) {
        TStep step;
        step.Sel = data[pos++];
        step.Adv = pos < size ? data[pos++] : 0;
        size_t len = pos < size ? data[pos++] : 0;
        len = std::min(len, size - pos);
        step.Chunk.assign(data + pos, data + pos + len);
        pos += len;
        out.Steps.push_back(std::move(step));
    }
    return out;
}

TBytes SerialiseSteps(const TSteps& steps) {
    TBytes out{steps.Flags};
    for (const TStep& step : steps.Steps) {
        const size_t len = std::min<size_t>(step.Chunk.size(), 255);
        out.push_back(step.Sel);
        out.push_back(step.Adv);
        out.push_back(uint8_t(len));
        out.insert(out.end(), step.Chunk.begin(), step.Chunk.begin() + long(len));
    }
    return out;
}

void PutByte(TBytes& b, uint8_t v) {
    b.push_back(v);
}

void PutWord(TBytes& b, uint16_t v) {
    PutByte(b, uint8_t(v));
    PutByte(b, uint8_t(v >> 8));
}

void PutLong(TBytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        PutByte(b, uint8_t(v >> (8 * i)));
}

void PutSingle(TBytes& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutLong(b, v);
}

TBytes FrameOf(const TBytes& body) {
    TBytes out{0x02};
    for (uint8_t v : body) {
        if (v == 0x02 || v == 0x03 || v == 0x10) {
            out.push_back(0x10);
            out.push_back(uint8_t(0xFF - v));
        } else {
            out.push_back(v);
        }
    }
    out.push_back(0x03);
    return out;
}
