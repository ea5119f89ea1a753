// Return addresses of the program's own code, printed as offsets from its load base with the module's name, so
// that `addr2line -e wagerlens 0x<offset>` finds the function in the build whose ELF build id the report gives.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace wl {

inline constexpr int MaxTraceEntries = 49;

// The executable's load base and its code, [Start, End).
struct TCodeBounds {
    std::uintptr_t Base = 0;
    std::uintptr_t Start = 0;
    std::uintptr_t End = 0;
    bool Contains(std::uintptr_t address) const { return address > Start && address < End; }
};

// Computed on first use; async-signal-safe afterwards.
const TCodeBounds& ProgramCodeBounds();
// The file name of the program ("wagerlens") and its ELF build id in lower-case hex ("" when it has none).
// Computed on first use; async-signal-safe afterwards.
const char* ProgramModuleName();
const char* ProgramBuildId();

// The current thread's return addresses, innermost first; the caller's own frame is the first.
int CaptureReturnAddresses(void** out, int capacity);

// Gathers a trace: a candidate equal to the one accepted just before it is dropped, at most MaxTraceEntries are
// kept. Fixed storage and no calls, so a signal handler may use it.
struct TTraceCollector {
    std::uint32_t Offsets[MaxTraceEntries] = {};
    int Count = 0;
    std::uintptr_t Last = 0;
    // address: a return address inside the program's code. Answers whether the walk may go on.
    bool Offer(std::uintptr_t address, const TCodeBounds& bounds) noexcept {
        if (Count >= MaxTraceEntries)
            return false;
        if (address != Last) {
            Last = address;
            Offsets[Count++] = static_cast<std::uint32_t>(address - bounds.Base);
        }
        return true;
    }
};

// The trace of raw return addresses: those inside bounds, a value equal to the one accepted just before it
// dropped, at most MaxTraceEntries. Returns offsets from bounds.Base.
std::vector<std::uint32_t> CollectReturnAddresses(std::span<void* const> raw, const TCodeBounds& bounds);

// Offset of an address inside the program's code, 0 for any other address.
std::uint32_t CodeOffset(const void* address, const TCodeBounds& bounds);

// "Stackframe-based trace:", then CR LF and per entry eight upper-case hex digits, a space and the module.
QString StackTraceText(const std::vector<std::uint32_t>& offsets);
// "Build id <hex>", or "Build id unknown".
QString BuildIdLine();
// Eight upper-case hex digits.
QString HexAddress(std::uint32_t offset);

// Whether the bytes just before v end an x86 call (or a push-and-return); any other processor: true.
bool FollowsCallInstruction(const unsigned char* v);

} // namespace wl
