// Reads the fields of one fuzz case from the front of the input, little-endian;
// past the end every read gives zero, so any input is a complete case.
#ifndef TAV_FUZZ_INPUT_H
#define TAV_FUZZ_INPUT_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <vector>

namespace tavfuzz {

// Buffers of more elements than this are not allocated: the case is skipped.
constexpr int64_t kMaxElements = int64_t(1) << 16;

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // Bytes read so far (at most the input's size).
    size_t used() const { return offset_ < size_ ? offset_ : size_; }

    uint8_t byte() { return offset_ < size_ ? data_[offset_++] : 0; }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(byte()) << (8 * i);
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float f;
        memcpy(&f, &bits, sizeof f);
        return f;
    }
    // A size: usually small (0..71), sometimes any 32-bit value, so that
    // both real frames and hostile sizes come up.
    int32_t side() {
        const uint8_t b = byte();
        return b < 0xF0 ? int32_t(b % 72) : i32();
    }
    // Fills `out` from the rest of the input, repeating it (zeros when empty).
    void fill(uint8_t* out, size_t n) {
        const size_t rest = offset_ < size_ ? size_ - offset_ : 0;
        for (size_t i = 0; i < n; ++i) out[i] = rest ? data_[offset_ + i % rest] : 0;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

// What a harness does with a buffer its arguments describe. Sizes count
// elements (bytes, 16-bit samples, floats, table words), as the library does.
enum class Plan {
    Allocate,  // a real frame: a heap buffer of exactly that many elements
    Refuse,    // a side is not positive or the count passes INT32_MAX: the
               // library must refuse, so a one-element buffer stands in
    Skip,      // real but larger than the harness allocates: not called
};

struct Extent {
    Plan plan;
    int64_t count;  // elements, for Allocate
};

// The buffer of a * b * c elements (each factor any int32 or uint32 value).
inline Extent extent(int64_t a, int64_t b, int64_t c = 1) {
    if (a <= 0 || b <= 0 || c <= 0) return {Plan::Refuse, 1};
    const uint64_t ab = uint64_t(a) * uint64_t(b);  // factors below 2^32
    if (ab > uint64_t(INT32_MAX)) return {Plan::Refuse, 1};
    const uint64_t abc = ab * uint64_t(c);
    if (abc > uint64_t(INT32_MAX)) return {Plan::Refuse, 1};
    if (abc > uint64_t(kMaxElements)) return {Plan::Skip, 0};
    return {Plan::Allocate, int64_t(abc)};
}

// The plan for a call with several buffers: any refusal makes the call a
// refusal case (the library must refuse before it touches any buffer, so a
// buffer too large to allocate gets one element too), otherwise any skip
// skips it.
inline Plan combine(std::initializer_list<Extent> extents) {
    Plan plan = Plan::Allocate;
    for (const Extent& e : extents) {
        if (e.plan == Plan::Refuse) return Plan::Refuse;
        if (e.plan == Plan::Skip) plan = Plan::Skip;
    }
    return plan;
}

// A heap buffer of exactly e.count elements (one when not Allocate), filled
// from the input.
template <class T = uint8_t>
std::vector<T> buffer(Input& in, const Extent& e) {
    std::vector<T> v(e.plan == Plan::Allocate ? size_t(e.count) : 1);
    in.fill(reinterpret_cast<uint8_t*>(v.data()), v.size() * sizeof(T));
    return v;
}

// Bytes of e.count elements of `elementBytes` each after `offset` bytes.
inline std::vector<uint8_t> bytesAt(Input& in, const Extent& e, int64_t elementBytes, int64_t offset) {
    std::vector<uint8_t> v(size_t((e.plan == Plan::Allocate ? e.count : 1) * elementBytes + offset));
    in.fill(v.data(), v.size());
    return v;
}

}  // namespace tavfuzz

#endif
