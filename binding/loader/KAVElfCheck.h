// Loading the kernel module KAVSYMB, shared by the binder and t4711
// check-kernel so that both load it the same way and say the same words.
//
// dlopen maps a module's loadable segments and touches them; a segment that
// reaches past the end of a truncated file faults with SIGBUS inside the
// loader, which no caller can catch. So a cheap look comes first, and it
// refuses only that: program headers or a loadable segment past the end of
// an ELF shared object for this machine. Everything else (a file too short,
// not ELF, for another machine or class, not a shared object, a directory,
// an unreadable file) goes to dlopen, which refuses it before mapping
// anything and whose own text is the message.
//
// The look itself never blocks and never faults: the file is opened without
// blocking (a FIFO named KAVSYMB has no writer), only a regular file is
// read, and it is read with pread, never mapped.
#ifndef KAVElfCheck_h
#define KAVElfCheck_h

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "KAVStepLib.h"

// The lines that end the process when KAVSYMB does not load (filled with
// dlerror()'s text, or with "<path>: <why>" for what the look refuses) and
// when it has no resolver.
inline constexpr char kKAVCannotLoadFormat[] =
    "KAVSYMB00: cannot load KAVSYMB %s\n";
inline constexpr char kKAVModuleIncorrect[] =
    "KAVSYMB00: module KAVSYMB is incorrect\n";

#if defined(__x86_64__)
inline constexpr uint16_t kKAVElfMachine = EM_X86_64;
#elif defined(__aarch64__)
inline constexpr uint16_t kKAVElfMachine = EM_AARCH64;
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

// Why the loader would fault on the iSize-byte file iFd, or "" to let
// dlopen judge it. Only a 64-bit little-endian shared object for this
// machine with program headers of the expected size is mapped by the
// loader; it refuses anything else from its header alone.
inline void Look(int iFd, uint64_t iSize, char* oWhy, size_t iWhySize) {
  Elf64_Ehdr header;
  if (iSize < sizeof header || !ReadAt(iFd, &header, sizeof header, 0)) return;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_ident[EI_DATA] != ELFDATA2LSB ||
      header.e_machine != kKAVElfMachine || header.e_type != ET_DYN ||
      header.e_phentsize != sizeof(Elf64_Phdr))
    return;
  const uint64_t tableSize =
      static_cast<uint64_t>(header.e_phnum) * sizeof(Elf64_Phdr);
  if (header.e_phoff > iSize || tableSize > iSize - header.e_phoff) {
    std::snprintf(oWhy, iWhySize, "program headers past the end of the file");
    return;
  }
  for (uint16_t i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment;
    if (!ReadAt(iFd, &segment, sizeof segment,
                header.e_phoff + static_cast<uint64_t>(i) * sizeof segment)) {
      std::snprintf(oWhy, iWhySize, "program headers cannot be read");
      return;
    }
    // A segment may end exactly at the end of the file: the loader maps
    // whole pages, and the bytes of the last page past the end read as
    // zeros. One byte further is a page the file does not have.
    if (segment.p_type == PT_LOAD &&
        (segment.p_offset > iSize ||
         segment.p_filesz > iSize - segment.p_offset)) {
      std::snprintf(
          oWhy, iWhySize,
          "truncated: a loadable segment ends at byte %llu of a %llu-byte file",
          static_cast<unsigned long long>(segment.p_offset + segment.p_filesz),
          static_cast<unsigned long long>(iSize));
      return;
    }
  }
}

}  // namespace kav_elf_detail

// Why the look refuses the module at iPath, in oWhy; "" when it leaves the
// module to dlopen. Never blocks, never reads anything but a regular file.
inline void KAVLookAtModule(const char* iPath, char* oWhy, size_t iWhySize) {
  oWhy[0] = '\0';
  const int fd = open(iPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
    kav_elf_detail::Look(fd, static_cast<uint64_t>(info.st_size), oWhy,
                         iWhySize);
  close(fd);
}

// Room for what the look says of a module, and for "<path>: <why>".
constexpr size_t kKAVWhySize = 160;
constexpr size_t kKAVRefusalSize = kKAVPathBufferSize + 2 + kKAVWhySize;

// Looks at the module iPath, then opens it with dlopen(iPath, iMode).
// Returns the handle; null when it does not load, with *oReason pointing at
// why: dlerror()'s text as it stands, or "<path>: <why>" written into
// ioRefusal when the look refused it.
inline void* KAVOpenModule(const char* iPath, int iMode,
                           char (&ioRefusal)[kKAVRefusalSize],
                           const char** oReason) {
  char why[kKAVWhySize];
  KAVLookAtModule(iPath, why, sizeof why);
  if (why[0] != '\0') {
    std::snprintf(ioRefusal, sizeof ioRefusal, "%s: %s", iPath, why);
    *oReason = ioRefusal;
    return nullptr;
  }
  void* module = dlopen(iPath, iMode);
  if (module == nullptr) {
    const char* text = dlerror();
    *oReason = text != nullptr ? text : "";
  }
  return module;
}

#endif
