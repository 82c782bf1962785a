#pragma once
// How far the process's resident memory rose at its highest while
// something ran: the kernel's high-water mark is reset when the watch
// starts, and read against the resident size of that moment.

#include <cstddef>
#include <fstream>
#include <optional>
#include <string>

namespace kw::test {

#if defined(__has_feature)
#define KW_HAS_FEATURE(name) __has_feature(name)
#else
#define KW_HAS_FEATURE(name) 0
#endif

// Sanitizers keep memory of their own beside every byte the program
// touches: ThreadSanitizer several times as much, AddressSanitizer an
// eighth and its quarantine of freed blocks. Bounds on memory growth are
// scaled by this.
#if defined(__SANITIZE_THREAD__) || KW_HAS_FEATURE(thread_sanitizer)
inline constexpr std::size_t SanitizerMemoryFactor = 4;
#elif defined(__SANITIZE_ADDRESS__) || KW_HAS_FEATURE(address_sanitizer)
inline constexpr std::size_t SanitizerMemoryFactor = 2;
#else
inline constexpr std::size_t SanitizerMemoryFactor = 1;
#endif
#undef KW_HAS_FEATURE

class PeakMemoryWatch {
public:
    PeakMemoryWatch()
    {
        // "5" resets the high-water mark to the current resident size
        // (Linux 4.0 and later).
        std::ofstream clearRefs("/proc/self/clear_refs");
        clearRefs << "5";
        clearRefs.close();
        reset_ = !clearRefs.fail();
        baseline_ = statusField("VmRSS:");
    }

    // Bytes above the resident size at the start; nullopt when the system
    // cannot tell (no /proc, or the mark cannot be reset).
    std::optional<std::size_t> growth() const
    {
        const std::optional<std::size_t> peak = statusField("VmHWM:");
        if (!reset_ || !baseline_ || !peak)
            return std::nullopt;
        return *peak > *baseline_ ? *peak - *baseline_ : 0;
    }

private:
    static std::optional<std::size_t> statusField(const std::string& name)
    {
        std::ifstream status("/proc/self/status");
        std::string field;
        std::size_t kibibytes = 0;
        while (status >> field) {
            if (field == name && status >> kibibytes)
                return kibibytes * 1024;
        }
        return std::nullopt;
    }

    bool reset_ = false;
    std::optional<std::size_t> baseline_;
};

} // namespace kw::test
