// FuzzCheck.h — the failure check of the fuzz harnesses and a small deterministic generator.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A wrong result stops the run as a sanitizer report does: the message, then an abort that
// libFuzzer records as a crash with its input.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// Pages whose meaning of a byte depends on what came before it (escape sequences, shift bytes,
// ISCII's attribute and halant context, UTF-7's base64 runs): a later boundary does not restart
// them.
inline bool IsStatefulPage(int32_t id) {
    switch (id) {
    case 50220:
    case 50221:
    case 50222:
    case 50225:
    case 50227:
    case 50229:
    case 52936:
    case 65000:
        return true;
    default:
        return id >= 57002 && id <= 57011;
    }
}

// splitmix64: bulk data (megabyte images, 200 KB streams) from a few bytes of fuzzer input.
class Rng {
public:
    explicit Rng(uint64_t seed) : State(seed) {}
    uint64_t Next() {
        uint64_t z = (State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, n) for n > 0.
    uint64_t Below(uint64_t n) { return Next() % n; }

private:
    uint64_t State;
};

} // namespace fuzz
