#include "rtf_reader.h"

#include <QColor>
#include <QFont>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cp1252.h"

namespace orv {

namespace {

// Groups nested deeper than this are dropped with their content; real documents stay
// far below it, and the bound keeps the group stack small whatever the input.
constexpr std::size_t kMaxDepth = 256;
constexpr int kMaxColours = 4096;
constexpr int kMaxHalfPoints = 3276;  // 1638 pt, the largest size word processors offer

enum class Destination { Text, Skip, ColourTable };

struct CharState {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool hidden = false;
  int colour = 0;      // index into the colour table; 0 is the default colour
  int halfPoints = 0;  // 0 keeps the viewer's default size

  auto tied() const { return std::tie(bold, italic, underline, hidden, colour, halfPoints); }
  bool operator!=(const CharState& o) const { return tied() != o.tied(); }
};

struct Group {
  CharState chars;
  Qt::Alignment align = Qt::AlignLeft;
  int ucSkip = 1;  // fallback characters that follow each \uN
  Destination dest = Destination::Text;
  bool starred = false;  // "\*" seen: the next control word names an optional destination
};

enum class Word {
  ColourTable,
  Par,
  Line,
  Tab,
  Pard,
  Plain,
  Bold,
  Italic,
  Underline,
  UnderlineNone,
  Hidden,
  Colour,
  FontSize,
  Uc,
  U,
  AnsiCpg,
  AlignLeft,
  AlignCenter,
  AlignRight,
  AlignJustify,
  Bin,
  Symbol,
};

struct WordInfo {
  Word word;
  char16_t symbol = 0;
};

// Destinations whose content is not body text.
bool isSkippedDestination(std::string_view name) {
  // clang-format off
  static const std::unordered_set<std::string_view> names = {
      "fonttbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
      "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
      "fldinst", "filetbl", "revtbl", "listtable", "listoverridetable", "rsidtbl", "pn",
      "nonshppict", "xe", "tc", "txe", "rxe", "bkmkstart", "bkmkend", "themedata",
      "colorschememapping", "datastore", "latentstyles", "generator"};
  // clang-format on
  return names.count(name) > 0;
}

const std::unordered_map<std::string_view, WordInfo>& words() {
  static const std::unordered_map<std::string_view, WordInfo> table = {
      {"colortbl", {Word::ColourTable}},
      // Paragraphs and breaks.
      {"par", {Word::Par}},
      {"sect", {Word::Par}},
      {"page", {Word::Par}},
      {"row", {Word::Par}},
      {"line", {Word::Line}},
      {"tab", {Word::Tab}},
      {"cell", {Word::Tab}},
      {"pard", {Word::Pard}},
      {"ql", {Word::AlignLeft}},
      {"qc", {Word::AlignCenter}},
      {"qr", {Word::AlignRight}},
      {"qj", {Word::AlignJustify}},
      // Character formatting.
      {"plain", {Word::Plain}},
      {"b", {Word::Bold}},
      {"i", {Word::Italic}},
      {"ul", {Word::Underline}},
      {"ulnone", {Word::UnderlineNone}},
      {"v", {Word::Hidden}},
      {"cf", {Word::Colour}},
      {"fs", {Word::FontSize}},
      // Characters.
      {"uc", {Word::Uc}},
      {"u", {Word::U}},
      {"ansicpg", {Word::AnsiCpg}},
      {"bin", {Word::Bin}},
      {"emdash", {Word::Symbol, 0x2014}},
      {"endash", {Word::Symbol, 0x2013}},
      {"emspace", {Word::Symbol, 0x2003}},
      {"enspace", {Word::Symbol, 0x2002}},
      {"bullet", {Word::Symbol, 0x2022}},
      {"lquote", {Word::Symbol, 0x2018}},
      {"rquote", {Word::Symbol, 0x2019}},
      {"ldblquote", {Word::Symbol, 0x201C}},
      {"rdblquote", {Word::Symbol, 0x201D}},
  };
  return table;
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(const QByteArray& rtf, QTextDocument* doc)
      : m_p(rtf.constData()), m_end(rtf.constData() + rtf.size()), m_cursor(doc) {}

  void run() {
    // One edit block: the document relays out once at its end instead of after every
    // insertion, which would make many short runs in one paragraph quadratic.
    m_cursor.beginEditBlock();
    while (m_p < m_end) {
      const char c = *m_p++;
      if (c == '{') {
        openGroup();
      } else if (c == '}') {
        if (!closeGroup()) break;  // the document ends with its outermost group
      } else if (c == '\\') {
        controlSequence();
      } else if (c != '\r' && c != '\n') {
        textByte(static_cast<unsigned char>(c));
      }
    }
    flush();
    applyAlignment();
    m_cursor.endEditBlock();
  }

 private:
  Group& top() { return m_groups.back(); }

  // True while the text at hand belongs to no visible destination.
  bool skipping() { return m_skipDepth > 0 || m_groups.empty() || top().dest == Destination::Skip; }

  // Characters that follow \uN stand in for it in readers without Unicode: drop them.
  bool consumeFallback() {
    if (m_pendingFallback == 0) return false;
    --m_pendingFallback;
    return true;
  }

  void openGroup() {
    m_pendingFallback = 0;
    if (m_groups.empty()) {
      m_groups.emplace_back();
    } else if (skipping() || m_groups.size() >= kMaxDepth) {
      ++m_skipDepth;  // nested content of a skipped group needs no state of its own
    } else {
      Group inner = top();
      inner.starred = false;
      m_groups.push_back(inner);
    }
  }

  bool closeGroup() {
    m_pendingFallback = 0;
    if (m_skipDepth > 0) {
      --m_skipDepth;
      return true;
    }
    // The outermost group stays: its state holds the last paragraph's alignment.
    if (m_groups.size() <= 1) return false;
    m_groups.pop_back();
    return true;
  }

  void controlSequence() {
    if (m_p == m_end) return;
    const char c = *m_p;
    if (isLetter(c)) {
      controlWord();
      return;
    }
    ++m_p;
    if (c == '\'') {
      int value = -1;
      if (m_p < m_end && hexValue(*m_p) >= 0) {
        value = hexValue(*m_p++);
        if (m_p < m_end && hexValue(*m_p) >= 0) {
          value = value * 16 + hexValue(*m_p++);
        } else {
          value = -1;  // a cut-off escape stands for nothing
        }
      }
      if (value >= 0 && !skipping() && !consumeFallback()) {
        put(m_latin1 ? char16_t(value) : cp1252ToUnicode(static_cast<unsigned char>(value)));
      }
      return;
    }
    if (skipping()) return;
    top().starred = c == '*';
    if (top().starred) return;
    if (consumeFallback()) return;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        put(char16_t(c));
        break;
      case '~':
        put(char16_t(0x00A0));
        break;
      case '-':
        put(char16_t(0x00AD));
        break;
      case '_':
        put(char16_t(0x2011));
        break;
      case '\r':
      case '\n':
        paragraph();
        break;
      default:
        break;  // unknown control symbols have no visible effect
    }
  }

  void controlWord() {
    const char* start = m_p;
    while (m_p < m_end && isLetter(*m_p)) ++m_p;
    const std::string_view name(start, static_cast<std::size_t>(m_p - start));

    bool negative = false;
    if (m_p + 1 < m_end && *m_p == '-' && isDigit(m_p[1])) {
      negative = true;
      ++m_p;
    }
    bool hasParam = false;
    long long value = 0;
    while (m_p < m_end && isDigit(*m_p)) {
      hasParam = true;
      value = std::min<long long>(value * 10 + (*m_p++ - '0'), 1LL << 40);  // saturate
    }
    const int param =
        static_cast<int>(std::clamp<long long>(negative ? -value : value, INT_MIN, INT_MAX));
    if (m_p < m_end && *m_p == ' ') ++m_p;  // the delimiting blank belongs to the word

    const auto it = words().find(name);
    if (it != words().end() && it->second.word == Word::Bin) {
      // Raw bytes follow; skip them even inside skipped groups so none reads as syntax.
      m_p += std::min<long long>(std::max(param, 0), m_end - m_p);
      return;
    }
    if (skipping()) return;
    if (top().starred) {
      top().starred = false;
      top().dest = Destination::Skip;  // no optional destination is shown
      return;
    }
    if (top().dest == Destination::ColourTable) {
      colourTableWord(name, param);
      return;
    }
    if (isSkippedDestination(name)) {
      top().dest = Destination::Skip;
      return;
    }
    if (it == words().end() || consumeFallback()) return;
    apply(it->second, hasParam, param);
  }

  void apply(const WordInfo& info, bool hasParam, int param) {
    Group& g = top();
    CharState& ch = g.chars;
    const bool on = !hasParam || param != 0;
    switch (info.word) {
      case Word::ColourTable:
        g.dest = Destination::ColourTable;
        m_colours.clear();
        m_nextColour = QColor(0, 0, 0);
        m_nextColourSet = false;
        break;
      case Word::Par:
        paragraph();
        break;
      case Word::Line:
        put(QChar::LineSeparator);
        break;
      case Word::Tab:
        put(u'\t');
        break;
      case Word::Pard:
        g.align = Qt::AlignLeft;
        break;
      case Word::AlignLeft:
        g.align = Qt::AlignLeft;
        break;
      case Word::AlignCenter:
        g.align = Qt::AlignHCenter;
        break;
      case Word::AlignRight:
        g.align = Qt::AlignRight;
        break;
      case Word::AlignJustify:
        g.align = Qt::AlignJustify;
        break;
      case Word::Plain:
        ch = CharState{};
        break;
      case Word::Bold:
        ch.bold = on;
        break;
      case Word::Italic:
        ch.italic = on;
        break;
      case Word::Underline:
        ch.underline = on;
        break;
      case Word::UnderlineNone:
        ch.underline = false;
        break;
      case Word::Hidden:
        ch.hidden = on;
        break;
      case Word::Colour:
        ch.colour = std::max(param, 0);
        break;
      case Word::FontSize:
        ch.halfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : 0;
        break;
      case Word::Uc:
        g.ucSkip = std::max(param, 0);
        break;
      case Word::U:
        if (hasParam) unicode(param);
        break;
      case Word::AnsiCpg:
        m_latin1 = param == 28591;  // everything else is read as Windows-1252
        break;
      case Word::Symbol:
        put(info.symbol);
        break;
      default:
        break;
    }
  }

  void unicode(int param) {
    // Writers store code units above 32767 as negative numbers.
    const long long code = param < 0 ? param + 65536LL : param;
    if (code < 0 || code > 0x10FFFF) {
      put(QChar::ReplacementCharacter);
    } else if (code <= 0xFFFF) {
      put(char16_t(code));
    } else {  // some writers put whole code points above the 16-bit range
      put(QChar::highSurrogate(static_cast<char32_t>(code)));
      put(QChar::lowSurrogate(static_cast<char32_t>(code)));
    }
    m_pendingFallback = top().ucSkip;
  }

  void colourTableWord(std::string_view name, int param) {
    const int component = std::clamp(param, 0, 255);
    if (name == "red") {
      m_nextColour.setRed(component);
    } else if (name == "green") {
      m_nextColour.setGreen(component);
    } else if (name == "blue") {
      m_nextColour.setBlue(component);
    } else {
      return;
    }
    m_nextColourSet = true;
  }

  void textByte(unsigned char byte) {
    if (skipping()) return;
    if (top().dest == Destination::ColourTable) {
      if (byte == ';') {
        if (m_colours.size() < kMaxColours) {
          m_colours.push_back(m_nextColourSet ? std::optional<QColor>(m_nextColour) : std::nullopt);
        }
        m_nextColour = QColor(0, 0, 0);
        m_nextColourSet = false;
      }
      return;
    }
    top().starred = false;  // "\*" only marks a destination that follows at once
    if (consumeFallback()) return;
    if (byte == '\t') {
      put(u'\t');
    } else if (byte >= 0x20) {
      put(m_latin1 ? char16_t(byte) : cp1252ToUnicode(byte));
    }
  }

  void put(QChar ch) {
    if (top().dest != Destination::Text || top().chars.hidden) return;
    if (top().chars != m_runChars) {
      flush();
      m_runChars = top().chars;
    }
    m_run += ch;
  }

  void paragraph() {
    flush();
    applyAlignment();
    m_cursor.insertBlock();
  }

  void applyAlignment() {
    if (m_groups.empty()) return;
    const Qt::Alignment align = top().align;
    if (m_cursor.blockFormat().alignment() == align) return;
    QTextBlockFormat format = m_cursor.blockFormat();
    format.setAlignment(align);
    m_cursor.setBlockFormat(format);
  }

  void flush() {
    if (m_run.isEmpty()) return;
    QTextCharFormat format;
    if (m_runChars.bold) format.setFontWeight(QFont::Bold);
    if (m_runChars.italic) format.setFontItalic(true);
    if (m_runChars.underline) format.setFontUnderline(true);
    if (m_runChars.halfPoints > 0) format.setFontPointSize(m_runChars.halfPoints / 2.0);
    const int colour = m_runChars.colour;
    if (colour > 0 && colour < m_colours.size() && m_colours[colour]) {
      format.setForeground(*m_colours[colour]);
    }
    m_cursor.insertText(m_run, format);
    m_run.clear();
  }

  const char* m_p;
  const char* const m_end;
  std::vector<Group> m_groups;
  int m_skipDepth = 0;        // groups open inside a skipped or too deeply nested group
  int m_pendingFallback = 0;  // fallback characters of the last \uN still to drop
  bool m_latin1 = false;
  QList<std::optional<QColor>> m_colours;
  QColor m_nextColour{0, 0, 0};
  bool m_nextColourSet = false;

  QTextCursor m_cursor;
  QString m_run;  // text not yet inserted, all in the format m_runChars
  CharState m_runChars;
};

}  // namespace

bool RtfReader::isRtf(const QByteArray& bytes) {
  return bytes.startsWith("{\\rtf");
}

bool RtfReader::read(const QByteArray& rtf, QTextDocument* doc) {
  if (!isRtf(rtf)) return false;
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);  // a loaded text is no edit to undo
  doc->clear();
  Parser(rtf, doc).run();
  doc->setUndoRedoEnabled(undo);
  return true;
}

QString decodePlainText(const QByteArray& bytes) {
  // Stateless: a sequence cut off at the end is an error, not input still to come.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (!utf8.hasError()) return text;
  text.resize(bytes.size());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    text[i] = QChar(cp1252ToUnicode(static_cast<unsigned char>(bytes[i])));
  }
  return text;
}

void loadRichText(QTextDocument* doc, const QByteArray& bytes) {
  if (!RtfReader::read(bytes, doc)) doc->setPlainText(decodePlainText(bytes));
}

}  // namespace orv
