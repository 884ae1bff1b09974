// How the fuzz kernel's answers are spelled as bytes. The kernel decodes
// them (AnswerReader); the seed generator and the kernel's record mode
// encode them (AnswerWriter), so a recorded run replays exactly.
//
// Every value takes one shape byte, sometimes followed by raw bytes:
//   code   0x00-0x9F success (0); 0xA0-0xEF one of kSpecialCodes;
//          0xF0-0xFF four raw bytes follow (little-endian)
//   int    0x00-0x7F that value; 0x80-0x8F one of kSpecialInts;
//          0x90-0xBF -1 down to -48; 0xC0-0xFF four raw bytes follow
//   real   0x00-0x7F (byte - 64) / 4; 0x80-0x8F one of kSpecialReals;
//          0x90-0xFF eight raw bytes follow
//   text   0x00-0x3F the field is left as the caller gave it;
//          0x40-0x7F a length byte and that many bytes, blank-padded;
//          0x80-0xBF a length byte and that many bytes, then a NUL;
//          0xC0-0xFF the whole field, raw (blanks once the bytes run out)
// A text never goes past its field: lengths are cut to the width.
//
// Once the bytes run out, every code is kExhaustedCode and every other
// value 0 (a text is left alone), so a run that ends mid-answer still
// ends, and loops that stop at a failing call stop.
#ifndef KAVFuzzAnswers_h
#define KAVFuzzAnswers_h

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace kavfuzz {

constexpr int kExhaustedCode = -1;

constexpr int kSpecialCodes[] = {1,       -1,      -5,    9550, 9001, 9002,
                                 9999,    99,      1000,  2,    3,    4242,
                                 INT_MAX, INT_MIN, 65536, -9550};
constexpr int kSpecialInts[] = {-1,      -5,      99,    1000,       72, 80,
                                1024,    1025,    256,   16,         50, 51,
                                INT_MAX, INT_MIN, 65536, INT_MAX - 1};
inline double SpecialReal(int iIndex) {
  using L = std::numeric_limits<double>;
  const double reals[] = {L::quiet_NaN(), -L::quiet_NaN(),
                          L::infinity(),  -L::infinity(),
                          L::max(),       -L::max(),
                          L::min(),       L::denorm_min(),
                          -0.0,           1e300,
                          -1e300,         2147483648.0,
                          -2147483649.0,  0.1,
                          1e-300,         4294967296.5};
  return reals[iIndex & 15];
}

// How a text answer ends inside its field.
enum class TextEnd : unsigned char {
  kUntouched,  // nothing written
  kBlanks,     // the bytes, then blanks to the width
  kNul,        // the bytes, then one NUL (when there is room)
  kRaw,        // exactly the width, from the bytes
};

class AnswerReader {
 public:
  AnswerReader() = default;
  AnswerReader(const uint8_t* iData, size_t iSize)
      : _data(iData), _size(iSize) {}

  // The same stream, grown (record mode appends as it answers).
  void Extend(const uint8_t* iData, size_t iSize) {
    _data = iData;
    _size = iSize;
  }

  bool Exhausted() const { return _at >= _size; }
  size_t Used() const { return _at < _size ? _at : _size; }

  int Code() {
    if (Exhausted()) return kExhaustedCode;
    const uint8_t shape = Byte();
    if (shape < 0xA0) return 0;
    if (shape < 0xF0) return kSpecialCodes[(shape - 0xA0) % 16];
    return Raw32();
  }

  int Int() {
    if (Exhausted()) return 0;
    const uint8_t shape = Byte();
    if (shape < 0x80) return shape;
    if (shape < 0x90) return kSpecialInts[shape - 0x80];
    if (shape < 0xC0) return 0x8F - shape;
    return Raw32();
  }

  double Real() {
    if (Exhausted()) return 0;
    const uint8_t shape = Byte();
    if (shape < 0x80) return (shape - 64) / 4.0;
    if (shape < 0x90) return SpecialReal(shape - 0x80);
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
      bits |= static_cast<uint64_t>(Byte()) << (8 * i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // Writes at most iWidth bytes into oField.
  void Text(char* oField, int iWidth) {
    if (Exhausted() || iWidth < 0) return;
    const uint8_t shape = Byte();
    if (shape < 0x40) return;
    if (shape >= 0xC0) {
      for (int i = 0; i < iWidth; ++i)
        oField[i] = Exhausted() ? ' ' : static_cast<char>(Byte());
      return;
    }
    int length = Byte();
    if (length > iWidth) length = iWidth;
    int i = 0;
    for (; i < length && !Exhausted(); ++i)
      oField[i] = static_cast<char>(Byte());
    if (shape < 0x80) {
      for (; i < iWidth; ++i) oField[i] = ' ';
    } else if (i < iWidth) {
      oField[i] = '\0';
    }
  }

 private:
  uint8_t Byte() { return _at < _size ? _data[_at++] : 0; }
  int Raw32() {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
      bits |= static_cast<uint32_t>(Byte()) << (8 * i);
    int value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  const uint8_t* _data = nullptr;
  size_t _size = 0;
  size_t _at = 0;
};

// The bytes that make an AnswerReader give the values written, in order.
class AnswerWriter {
 public:
  void Code(int iValue) {
    if (iValue == 0) return Put(0x00);
    for (int i = 0; i < 16; ++i)
      if (kSpecialCodes[i] == iValue)
        return Put(static_cast<uint8_t>(0xA0 + i));
    Put(0xF0);
    Put32(iValue);
  }

  void Int(int iValue) {
    if (iValue >= 0 && iValue < 0x80) return Put(static_cast<uint8_t>(iValue));
    for (int i = 0; i < 16; ++i)
      if (kSpecialInts[i] == iValue) return Put(static_cast<uint8_t>(0x80 + i));
    if (iValue < 0 && iValue >= -48)
      return Put(static_cast<uint8_t>(0x8F - iValue));
    Put(0xC0);
    Put32(iValue);
  }

  void Real(double iValue) {
    uint64_t bits;
    std::memcpy(&bits, &iValue, sizeof bits);
    for (int i = 0; i < 16; ++i) {
      const double special = SpecialReal(i);
      uint64_t specialBits;
      std::memcpy(&specialBits, &special, sizeof specialBits);
      if (specialBits == bits) return Put(static_cast<uint8_t>(0x80 + i));
    }
    for (int shape = 0; shape < 0x80; ++shape)
      if ((shape - 64) / 4.0 == iValue && !std::signbit(iValue))
        return Put(static_cast<uint8_t>(shape));
    Put(0x90);
    for (int i = 0; i < 8; ++i) Put(static_cast<uint8_t>(bits >> (8 * i)));
  }

  // iBytes as a text of a field of iWidth characters (kRaw: the first
  // iWidth bytes, blanks after iBytes ends).
  void Text(const std::string& iBytes, TextEnd iEnd, int iWidth) {
    switch (iEnd) {
      case TextEnd::kUntouched:
        return Put(0x00);
      case TextEnd::kRaw:
        Put(0xC0);
        for (int i = 0; i < iWidth; ++i)
          Put(i < static_cast<int>(iBytes.size())
                  ? static_cast<uint8_t>(iBytes[i])
                  : static_cast<uint8_t>(' '));
        return;
      case TextEnd::kBlanks:
      case TextEnd::kNul: {
        Put(iEnd == TextEnd::kBlanks ? 0x40 : 0x80);
        size_t length = iBytes.size() < 255 ? iBytes.size() : 255;
        if (static_cast<int>(length) > iWidth) length = iWidth > 0 ? iWidth : 0;
        Put(static_cast<uint8_t>(length));
        for (size_t i = 0; i < length; ++i)
          Put(static_cast<uint8_t>(iBytes[i]));
        return;
      }
    }
  }

  const std::string& Bytes() const { return _bytes; }
  void Clear() { _bytes.clear(); }

 private:
  void Put(uint8_t iByte) { _bytes.push_back(static_cast<char>(iByte)); }
  void Put32(int iValue) {
    uint32_t bits;
    std::memcpy(&bits, &iValue, sizeof bits);
    for (int i = 0; i < 4; ++i) Put(static_cast<uint8_t>(bits >> (8 * i)));
  }

  std::string _bytes;
};

}  // namespace kavfuzz

#endif
