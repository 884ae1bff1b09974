// The picture grabber PLSGRAB: writes the kernel's current picture into an
// image file.
//
// The current picture is a fixed 96 x 64 plot of the reference kernel's
// work area: a light sheet with a grid, the outline of a part and a
// contour toolpath around it. Mode 2 writes it as a binary PPM (P6); every
// other mode, the library's 1 included, as an 8-bit RGB PNG (stored, not
// compressed, so no compression library is needed). A file that cannot be
// created or written completely answers KAVSIM_IMAGE_NOT_WRITTEN and leaves
// the target as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KAVSimKernel.h"

namespace kavsim {
namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;
constexpr int kPpmMode = 2;

struct Rgb {
  uint8_t r, g, b;
};

std::vector<Rgb> CurrentPicture() {
  const Rgb sheet{236, 236, 228}, grid{200, 208, 220}, part{70, 70, 80},
      path{200, 40, 40};
  std::vector<Rgb> pixels(kWidth * kHeight, sheet);
  auto put = [&](int x, int y, Rgb colour) {
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight)
      pixels[y * kWidth + x] = colour;
  };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (x % 16 == 0 || y % 16 == 0) put(x, y, grid);
  // The part: a filled rectangle; the toolpath: its contour offset by 4
  // pixels with rounded corners.
  const int left = 28, right = 68, top = 20, bottom = 44, offset = 4;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) put(x, y, part);
  for (int x = left; x <= right; ++x) {
    put(x, top - offset, path);
    put(x, bottom + offset, path);
  }
  for (int y = top; y <= bottom; ++y) {
    put(left - offset, y, path);
    put(right + offset, y, path);
  }
  for (int dy = -offset; dy <= offset; ++dy)
    for (int dx = -offset; dx <= offset; ++dx) {
      const int d2 = dx * dx + dy * dy;
      if (d2 < (offset - 1) * (offset - 1) + offset ||
          d2 > offset * offset + offset)
        continue;
      put((dx < 0 ? left : right) + dx, (dy < 0 ? top : bottom) + dy, path);
    }
  return pixels;
}

uint32_t Crc32(const std::string& iBytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : iBytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& ioBytes, uint32_t iValue) {
  for (int shift = 24; shift >= 0; shift -= 8)
    ioBytes.push_back(static_cast<char>((iValue >> shift) & 0xFF));
}

void PutChunk(std::string& ioPng, const char* iType, const std::string& iData) {
  PutBigEndian(ioPng, static_cast<uint32_t>(iData.size()));
  std::string typed = std::string(iType, 4) + iData;
  ioPng += typed;
  PutBigEndian(ioPng, Crc32(typed));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each).
std::string StoredZlib(const std::string& iRaw) {
  std::string out("\x78\x01", 2);
  size_t position = 0;
  do {
    const size_t length = std::min<size_t>(65535, iRaw.size() - position);
    const bool last = position + length == iRaw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out.append(iRaw, position, length);
    position += length;
  } while (position < iRaw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char byte : iRaw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

std::string EncodePng(const std::vector<Rgb>& iPixels) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBigEndian(header, kWidth);
  PutBigEndian(header, kHeight);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  PutChunk(png, "IHDR", header);
  std::string raw;
  for (int y = 0; y < kHeight; ++y) {
    raw.push_back('\0');  // filter: none
    for (int x = 0; x < kWidth; ++x) {
      const Rgb& pixel = iPixels[y * kWidth + x];
      raw.push_back(static_cast<char>(pixel.r));
      raw.push_back(static_cast<char>(pixel.g));
      raw.push_back(static_cast<char>(pixel.b));
    }
  }
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", std::string());
  return png;
}

std::string EncodePpm(const std::vector<Rgb>& iPixels) {
  std::string ppm = "P6\n" + std::to_string(kWidth) + " " +
                    std::to_string(kHeight) + "\n255\n";
  for (const Rgb& pixel : iPixels) {
    ppm.push_back(static_cast<char>(pixel.r));
    ppm.push_back(static_cast<char>(pixel.g));
    ppm.push_back(static_cast<char>(pixel.b));
  }
  return ppm;
}

// Writes all of iBytes to a new file iPath; on any failure the file is
// removed, which is safe because O_EXCL made it ours.
bool WriteNew(const std::string& iPath, const std::string& iBytes,
              mode_t iMode) {
  const int fd =
      ::open(iPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, iMode);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < iBytes.size()) {
    const ssize_t wrote =
        ::write(fd, iBytes.data() + done, iBytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
  const bool closed = ::close(fd) == 0;
  if (done == iBytes.size() && closed) return true;
  ::unlink(iPath.c_str());
  return false;
}

// The image never touches a file it did not create until it is complete:
// it is written to a temporary file beside the target and renamed into
// place. A target that exists and is not a regular file (a directory, a
// device, a pipe) is refused untouched; a symbolic link is followed, so
// the file it names is replaced and the link kept. On failure only the
// temporary file is removed.
bool WriteFile(const char* iPath, const std::string& iBytes) {
  std::string target = iPath;
  mode_t mode = 0666;  // less the umask, as any new file
  struct stat info {};
  if (::lstat(iPath, &info) == 0) {
    if (S_ISLNK(info.st_mode)) {
      char* resolved = ::realpath(iPath, nullptr);
      if (resolved == nullptr) return false;
      target = resolved;
      std::free(resolved);
      if (::stat(target.c_str(), &info) != 0) return false;
    }
    if (!S_ISREG(info.st_mode)) return false;
    mode = info.st_mode & 07777;
  }
  static unsigned serial = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = target + "." + std::to_string(::getpid()) +
                                  "." + std::to_string(++serial) + ".tmp";
    if (!WriteNew(temporary, iBytes, mode)) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
  }
  return false;
}

void simPLSGRAB(char* iPath, int* iMode, int* ier) {
  if (iPath == nullptr || iMode == nullptr) {
    SetCode(ier, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const std::vector<Rgb> picture = CurrentPicture();
  const std::string bytes =
      *iMode == kPpmMode ? EncodePpm(picture) : EncodePng(picture);
  const bool written = iPath[0] != '\0' && WriteFile(iPath, bytes);
  SetCode(ier, written ? KAVSIM_OK : KAVSIM_IMAGE_NOT_WRITTEN);
}
KAVSIM_ROUTINE(PLSGRAB, simPLSGRAB);

}  // namespace
}  // namespace kavsim
