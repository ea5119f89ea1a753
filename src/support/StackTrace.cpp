// Return addresses of the program's own code for the error report and the crash report.
#include "support/StackTrace.h"

#include <cstring>

#include <elf.h>
#include <execinfo.h>
#include <link.h>
#include <unistd.h>

namespace wl {

namespace {

struct TProgramModule {
    char Name[256] = "wagerlens";
    char BuildId[2 * 64 + 1] = "";
};

// The build id note among the program's notes: 4-byte name size, descriptor size and type, then both, padded to 4.
void ReadBuildId(const dl_phdr_info* info, char* out, std::size_t capacity) {
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& h = info->dlpi_phdr[i];
        if (h.p_type != PT_NOTE)
            continue;
        const auto* p = reinterpret_cast<const unsigned char*>(info->dlpi_addr + h.p_vaddr);
        const unsigned char* end = p + h.p_memsz;
        while (p + sizeof(ElfW(Nhdr)) <= end) {
            const auto* note = reinterpret_cast<const ElfW(Nhdr)*>(p);
            const unsigned char* name = p + sizeof(ElfW(Nhdr));
            const unsigned char* desc = name + ((note->n_namesz + 3) & ~3U);
            if (note->n_type == NT_GNU_BUILD_ID && note->n_namesz == 4 && name[0] == 'G' && name[1] == 'N' &&
                name[2] == 'U' && desc + note->n_descsz <= end) {
                std::size_t n = 0;
                for (std::size_t k = 0; k < note->n_descsz && n + 2 < capacity; ++k) {
                    out[n++] = "0123456789abcdef"[desc[k] >> 4];
                    out[n++] = "0123456789abcdef"[desc[k] & 15];
                }
                out[n] = 0;
                return;
            }
            p = desc + ((note->n_descsz + 3) & ~3U);
        }
    }
}

int FindBuildId(dl_phdr_info* info, size_t, void* data) {
    auto* module = static_cast<TProgramModule*>(data);
    ReadBuildId(info, module->BuildId, sizeof(module->BuildId));
    return 1;
}

const TProgramModule& ProgramModule() {
    static const TProgramModule module = [] {
        TProgramModule m;
        dl_iterate_phdr(FindBuildId, &m);
        char path[4096];
        const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
        if (n > 0) {
            path[n] = 0;
            const char* slash = std::strrchr(path, '/');
            const char* name = slash != nullptr ? slash + 1 : path;
            // A name too long for the report is cut, and always ends in a zero.
            size_t length = std::strlen(name);
            if (length > sizeof(m.Name) - 1)
                length = sizeof(m.Name) - 1;
            std::memcpy(m.Name, name, length);
            m.Name[length] = 0;
        }
        return m;
    }();
    return module;
}

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

const char* ProgramModuleName() {
    return ProgramModule().Name;
}

const char* ProgramBuildId() {
    return ProgramModule().BuildId;
}

QString BuildIdLine() {
    const char* id = ProgramBuildId();
    return QStringLiteral("Build id ") + (*id != 0 ? QString::fromLatin1(id) : QStringLiteral("unknown"));
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
    const QString module = QLatin1Char(' ') + QString::fromLocal8Bit(ProgramModuleName());
    for (const std::uint32_t o : offsets)
        text += QStringLiteral("\r\n") + HexAddress(o) + module;
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
