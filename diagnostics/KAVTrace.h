// The one trace writer every operation prints through, the one layout of
// its banners, and the trace of one operation. Each line goes to standard
// output ended with std::endl (newline and flush), so a trace interleaves
// correctly with any other output.
//
// The texts themselves (titles, labels, dash counts, trailing blanks) stay
// in the operations that print them; this file only lays them out.
//
// Every banner has one layout, in this order:
//
//   " "       a line holding one blank
//   -----     a line of dashes
//   lines     a closing's results, above its title
//   title
//   lines     an opening's inputs, beside its title
//   -----     a line of dashes (as many, unless given apart)
//   lines     the inputs of a Listed opening, under the banner
//   " "       a line holding one blank
//
// The named shapes below leave parts out; nothing else differs.
#ifndef KAVTrace_h
#define KAVTrace_h

#include <initializer_list>

#include "KAVUnicodeString.h"

class KAVListValKAVUnicodeString;

// One line of a trace: a text as it stands, or a label (which carries its
// own " : ") followed by its value: an int or a double as the stream
// writes it, a text, or a list in the list type's own stream form. It
// refers to its value and text, so it lives no longer than the statement
// that prints it.
class KAVTraceLine {
 public:
  // Built inline: an operation whose switch is off still builds its lines,
  // and pays no call for them.
  KAVTraceLine(const char* iText)  // NOLINT(runtime/explicit): a title
      : _kind(Kind::kText), _label(iText) {
    _value.chars = nullptr;
  }
  KAVTraceLine(const char* iLabel, int iValue)
      : _kind(Kind::kInt), _label(iLabel) {
    _value.integer = iValue;
  }
  KAVTraceLine(const char* iLabel, double iValue)
      : _kind(Kind::kDouble), _label(iLabel) {
    _value.real = iValue;
  }
  KAVTraceLine(const char* iLabel, const char* iValue)
      : _kind(Kind::kChars), _label(iLabel) {
    _value.chars = iValue;
  }
  KAVTraceLine(const char* iLabel, const KAVUnicodeString& iValue)
      : _kind(Kind::kString), _label(iLabel) {
    _value.string = &iValue;
  }
  KAVTraceLine(const char* iLabel, const KAVListValKAVUnicodeString& iValue)
      : _kind(Kind::kList), _label(iLabel) {
    _value.list = &iValue;
  }
  void Print() const;

 private:
  enum class Kind { kText, kInt, kDouble, kChars, kString, kList };
  Kind _kind;
  const char* _label;
  union {
    int integer;
    double real;
    const char* chars;
    const KAVUnicodeString* string;
    const KAVListValKAVUnicodeString* list;
  } _value;
};

// The parts of the layout a banner has; built by the named shapes only.
struct KAVBannerParts {
  bool blankBefore;
  int firstDashes;  // -1: no dashed lines
  int secondDashes;
  bool linesUnder;  // an opening's lines under the banner, not beside
  bool blankAfter;
};

// What both kinds of shape hold; an opening and a closing stay two types,
// so one cannot be given where the other is meant.
class KAVBannerShape {
 public:
  const KAVBannerParts& Parts() const { return _parts; }

 protected:
  explicit KAVBannerShape(const KAVBannerParts& iParts) : _parts(iParts) {}

 private:
  KAVBannerParts _parts;
};

// The shapes of a start banner; its lines are the operation's inputs.
class KAVOpening : public KAVBannerShape {
 public:
  // " ", dashes, title, dashes, lines, " ": the usual start.
  static KAVOpening Listed(int iDashes) {
    return KAVOpening({true, iDashes, iDashes, true, true});
  }
  // " ", dashes, title, lines, dashes, " ": the inputs framed.
  static KAVOpening Framed(int iDashes) {
    return KAVOpening({true, iDashes, iDashes, false, true});
  }
  // " ", dashes, title, lines, dashes: framed, the body following at once.
  static KAVOpening Heading(int iDashes) {
    return KAVOpening({true, iDashes, iDashes, false, false});
  }
  // dashes, title, lines, dashes: no blank line on either side.
  static KAVOpening Bare(int iDashes) {
    return KAVOpening({false, iDashes, iDashes, false, false});
  }
  // " ", title, lines, " ": no dashed lines.
  static KAVOpening Undashed() {
    return KAVOpening({true, -1, -1, false, true});
  }

 private:
  using KAVBannerShape::KAVBannerShape;
};

// The shapes of an end banner; its lines are the operation's results, and
// come above the title.
class KAVClosing : public KAVBannerShape {
 public:
  // " ", dashes, lines, title, dashes, " ": the usual end.
  static KAVClosing Framed(int iDashes) {
    return KAVClosing({true, iDashes, iDashes, false, true});
  }
  // dashes, lines, title, dashes, " ": the body's last line just above.
  static KAVClosing Footing(int iDashes) { return Footing(iDashes, iDashes); }
  // The same with dashed lines of two lengths.
  static KAVClosing Footing(int iFirstDashes, int iSecondDashes) {
    return KAVClosing({false, iFirstDashes, iSecondDashes, false, true});
  }
  // dashes, lines, title, dashes: no blank line on either side.
  static KAVClosing Bare(int iDashes) {
    return KAVClosing({false, iDashes, iDashes, false, false});
  }
  // " ", lines, title, " ": no dashed lines.
  static KAVClosing Undashed() {
    return KAVClosing({true, -1, -1, false, true});
  }

 private:
  using KAVBannerShape::KAVBannerShape;
};

class KAVTrace {
 public:
  // A line holding one blank.
  static void Blank();
  // A line of iCount dashes.
  static void Dashes(int iCount);
  // A line holding iText as it stands.
  static void Text(const char* iText);
  static void Text(const KAVUnicodeString& iText);
  // A labelled line: the label as given (it carries its own " : "), then
  // the value in decimal or as text.
  static void Line(const char* iLabel, int iValue);
  static void Line(const char* iLabel, double iValue);
  static void Line(const char* iLabel, const char* iValue);
  static void Line(const char* iLabel, const KAVUnicodeString& iValue);
  // A list in the list type's own stream form.
  static void Line(const char* iLabel,
                   const KAVListValKAVUnicodeString& iValue);

  // Banners, printed whatever any switch says (an operation's own banners
  // go through its KAVOperationTrace).
  static void Open(const KAVOpening& iShape, const KAVTraceLine& iTitle,
                   std::initializer_list<KAVTraceLine> iLines = {});
  static void Close(const KAVClosing& iShape, const KAVTraceLine& iTitle,
                    std::initializer_list<KAVTraceLine> iLines = {});
  // A closing whose result lines iPrintLines prints as they are found
  // (they may ask the kernel): the part above them, then the call, then the
  // rest.
  template <typename PrintLines>
  static void Close(const KAVClosing& iShape, const KAVTraceLine& iTitle,
                    const PrintLines& iPrintLines) {
    CloseAbove(iShape);
    iPrintLines();
    CloseBelow(iShape, iTitle);
  }

 private:
  static void CloseAbove(const KAVClosing& iShape);
  static void CloseBelow(const KAVClosing& iShape, const KAVTraceLine& iTitle);
};

// The trace of one operation: its class's switch, asked once when the
// operation starts and kept for the whole call. What goes through it is
// printed only while that answer is 1; a report the operation prints
// whatever the switch says goes to KAVTrace itself.
//
// It prints nothing on its own: the operation opens and closes its
// banners where it means to, so a failure that returns early visibly
// leaves the end banner out.
class KAVOperationTrace {
 public:
  // Asks GetDebug(iClassKey).
  explicit KAVOperationTrace(const char* iClassKey);
  // A switch the class asks and keeps itself.
  explicit KAVOperationTrace(bool iOn) : _on(iOn) {}

  explicit operator bool() const { return _on; }

  void Open(const KAVOpening& iShape, const KAVTraceLine& iTitle,
            std::initializer_list<KAVTraceLine> iLines = {}) const {
    if (_on) KAVTrace::Open(iShape, iTitle, iLines);
  }
  void Close(const KAVClosing& iShape, const KAVTraceLine& iTitle,
             std::initializer_list<KAVTraceLine> iLines = {}) const {
    if (_on) KAVTrace::Close(iShape, iTitle, iLines);
  }
  template <typename PrintLines>
  void Close(const KAVClosing& iShape, const KAVTraceLine& iTitle,
             const PrintLines& iPrintLines) const {
    if (_on) KAVTrace::Close(iShape, iTitle, iPrintLines);
  }

  void Blank() const {
    if (_on) KAVTrace::Blank();
  }
  void Dashes(int iCount) const {
    if (_on) KAVTrace::Dashes(iCount);
  }
  template <typename Words>
  void Text(const Words& iText) const {
    if (_on) KAVTrace::Text(iText);
  }
  template <typename Value>
  void Line(const char* iLabel, const Value& iValue) const {
    if (_on) KAVTrace::Line(iLabel, iValue);
  }

 private:
  bool _on;
};

#endif
