// A cheap look at a kernel module before dlopen, shared by the binder and
// the t4711 pre-flight check. dlopen maps a module's loadable segments
// and touches them; a segment that reaches past the end of a truncated
// file faults with SIGBUS inside the loader, which no caller can catch.
// So the binder first checks that the file is a complete ELF shared
// object for this machine: its header, its program headers, and every
// loadable segment lie inside the file.
#ifndef KAVElfCheck_h
#define KAVElfCheck_h

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__)
constexpr uint16_t kKAVElfMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr uint16_t kKAVElfMachine = EM_AARCH64;
#endif

namespace kav_elf_detail {

inline bool ReadAt(int iFd, void* oBuffer, size_t iSize, uint64_t iOffset) {
  size_t done = 0;
  while (done < iSize) {
    const ssize_t got = pread(iFd, static_cast<char*>(oBuffer) + done,
                              iSize - done, static_cast<off_t>(iOffset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

// Why iPath is not a loadable module, or "" when it looks like one.
inline void Check(int iFd, uint64_t iSize, char* oWhy, size_t iWhySize) {
  Elf64_Ehdr header;
  if (iSize < sizeof header || !ReadAt(iFd, &header, sizeof header, 0)) {
    std::snprintf(oWhy, iWhySize,
                  "file of %llu bytes too short for an ELF header",
                  static_cast<unsigned long long>(iSize));
    return;
  }
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
    std::snprintf(oWhy, iWhySize, "not an ELF file");
    return;
  }
  if (header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_ident[EI_DATA] != ELFDATA2LSB ||
      header.e_machine != kKAVElfMachine) {
    std::snprintf(oWhy, iWhySize, "ELF file for another machine");
    return;
  }
  if (header.e_type != ET_DYN) {
    std::snprintf(oWhy, iWhySize, "ELF file that is not a shared object");
    return;
  }
  const uint64_t tableSize =
      static_cast<uint64_t>(header.e_phnum) * header.e_phentsize;
  if (header.e_phnum == 0 || header.e_phentsize != sizeof(Elf64_Phdr) ||
      header.e_phoff > iSize || tableSize > iSize - header.e_phoff) {
    std::snprintf(oWhy, iWhySize,
                  "program headers missing or past the end of the file");
    return;
  }
  for (uint16_t i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment;
    if (!ReadAt(iFd, &segment, sizeof segment,
                header.e_phoff + static_cast<uint64_t>(i) * sizeof segment)) {
      std::snprintf(oWhy, iWhySize, "program headers cannot be read");
      return;
    }
    if (segment.p_type != PT_LOAD) continue;
    if (segment.p_offset > iSize ||
        segment.p_filesz > iSize - segment.p_offset) {
      std::snprintf(
          oWhy, iWhySize,
          "truncated: a loadable segment ends at byte %llu of a %llu-byte file",
          static_cast<unsigned long long>(segment.p_offset + segment.p_filesz),
          static_cast<unsigned long long>(iSize));
      return;
    }
  }
  oWhy[0] = '\0';
}

}  // namespace kav_elf_detail

// Returns 1 when iPath is a complete ELF shared object for this machine;
// else 0, with "<path>: <why>" in oReason (cut to iReasonSize).
inline int KAVCheckModuleFile(const char* iPath, char* oReason,
                              size_t iReasonSize) {
  char why[160] = "";
  const int fd = open(iPath, O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0) {
    std::snprintf(why, sizeof why, "%s", std::strerror(errno));
  } else if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    std::snprintf(why, sizeof why, "not a regular file");
  } else {
    kav_elf_detail::Check(fd, static_cast<uint64_t>(info.st_size), why,
                          sizeof why);
  }
  if (fd >= 0) close(fd);
  if (why[0] == '\0') return 1;
  std::snprintf(oReason, iReasonSize, "%s: %s", iPath, why);
  return 0;
}

#endif
