// Return addresses of the program's own code for the error report and the crash report.
#include "support/StackTrace.h"

#include <elf.h>
#include <execinfo.h>
#include <link.h>

namespace wl {

namespace {

int FindMainProgram(dl_phdr_info* info, size_t, void* data) {
    auto* bounds = static_cast<TCodeBounds*>(data);
    bounds->Base = info->dlpi_addr;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& h = info->dlpi_phdr[i];
        if (h.p_type == PT_LOAD && (h.p_flags & PF_X) != 0) {
            bounds->Start = info->dlpi_addr + h.p_vaddr;
            bounds->End = bounds->Start + h.p_memsz;
            break;
        }
    }
    return 1; // the first object listed is the program itself
}

} // namespace

const TCodeBounds& ProgramCodeBounds() {
    static const TCodeBounds bounds = [] {
        TCodeBounds b;
        dl_iterate_phdr(FindMainProgram, &b);
        return b;
    }();
    return bounds;
}

__attribute__((noinline)) int CaptureReturnAddresses(void** out, int capacity) {
    return capacity > 0 ? backtrace(out, capacity) : 0;
}

std::vector<std::uint32_t> CollectReturnAddresses(std::span<void* const> raw, const TCodeBounds& bounds) {
    TTraceCollector collector;
    for (void* a : raw) {
        const auto address = reinterpret_cast<std::uintptr_t>(a);
        if (bounds.Contains(address) && !collector.Offer(address, bounds))
            break;
    }
    return {collector.Offsets, collector.Offsets + collector.Count};
}

std::uint32_t CodeOffset(const void* address, const TCodeBounds& bounds) {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    return bounds.Contains(a) ? static_cast<std::uint32_t>(a - bounds.Base) : 0;
}

QString HexAddress(std::uint32_t offset) {
    return QStringLiteral("%1").arg(offset, 8, 16, QLatin1Char('0')).toUpper();
}

QString StackTraceText(const std::vector<std::uint32_t>& offsets) {
    QString text = QStringLiteral("Stackframe-based trace:");
    for (const std::uint32_t o : offsets)
        text += QStringLiteral("\r\n") + HexAddress(o);
    return text;
}

bool FollowsCallInstruction(const unsigned char* v) {
#if defined(__x86_64__) || defined(__i386__)
    // Register field 2 of a ModRM byte marks FF /2, the indirect call.
    const auto reg2 = [](unsigned char b) { return ((b >> 3) & 7) == 2; };
    return v[-5] == 0xE8 || (v[-2] == 0xFF && reg2(v[-1])) || (v[-3] == 0xFF && reg2(v[-2])) ||
           (v[-4] == 0xFF && reg2(v[-3])) || (v[-6] == 0xFF && reg2(v[-5])) || (v[-7] == 0xFF && reg2(v[-6])) ||
           v[-1] == 0xC3;
#else
    (void)v;
    return true;
#endif
}

} // namespace wl
