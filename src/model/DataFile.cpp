#include "model/DataFile.h"

#include "model/SingleImage.h"
#include "services/NumberText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The line formats, in file order. %s, %d and %lf as in the C library's formatted I/O.
constexpr const char* kHeaderFormats[] = {
    "X Vanishing Point is %lf,%lf,%lf \n",
    "Y Vanishing Point is %lf,%lf,%lf \n",
    "Z Vanishing Point is %lf,%lf,%lf \n",
    " a is : %lf \n",
    " b is : %lf \n",
    " A is : %lf \n",
    " Standard Origin is x = %lf,y = %lf\n",
    " l vector is %lf,%lf,%lf \n",
    " HMatrix First Line is: %lf,%lf,%lf \n",
    " HMatrix Secon Line is: %lf,%lf,%lf \n",
    " HMatrix Third Line is: %lf,%lf,%lf \n",
    " lScale vector is %lf,%lf,%lf \n",
    " HStandardMatrix First Line is: %lf,%lf,%lf \n",
    " HStandardMatrix Secon Line is: %lf,%lf,%lf \n",
    " HStandardMatrix Third Line is: %lf,%lf,%lf \n",
    " Max id is %d \n",
};
constexpr const char* kPointCountFormat = "The number of the point is %d \n";
constexpr const char* kPointFormats[] = {
    " The id of the point is:%d \n",
    " Image value of the point is: %lf,%lf \n",
    " x=%lf,y=%lf,z=%lf \n",
    " refx=%d,refy=%d,refz=%d \n",
};
constexpr const char* kTextureCountFormat = "The number of the textures is %d \n";
constexpr const char* kTextureFormats[] = {
    " The name of the texture is:%s \n",
    " The id num of the first point is: %d \n",
    " The id num of the secon point is: %d \n",
    " The id num of the third point is: %d \n",
    " The id num of the fourt point is: %d \n",
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// ---- writing ----

// Appends one format with its values; the values are the already formatted texts.
void WriteLine(std::string& line, const char* format, std::initializer_list<std::string> values) {
  auto value = values.begin();
  for (const char* c = format; *c; ++c) {
    if (*c != '%') {
      line += *c;
      continue;
    }
    // %lf, %d or %s
    line += *value++;
    c += c[1] == 'l' ? 2 : 1;
  }
}

std::string Fixed(double value) { return FormatFixedSix(value); }
std::string Integer(int value) { return std::to_string(value); }

// ---- reading ----

// Matches format strings against the text as formatted input does.
class CFormatReader {
 public:
  explicit CFormatReader(std::string_view text) : m_text(text) {}

  // Matches one line's format and stores its conversions, in order, into the targets.
  // Each target is a double*, an int* or a CTextureImage* (for %s).
  struct CTarget {
    double* number = nullptr;
    int* integer = nullptr;
    CTextureImage* name = nullptr;
    const char* nextLineFormat = nullptr;  // for %s: the line an empty name leaves unread
  };
  bool Match(const char* format, std::initializer_list<CTarget> targets, const char* what);

  const std::string& Error() const { return m_error; }
  // The file line on which the last matched format began.
  int LastLine() const { return m_nLastLine; }

 private:
  void SkipSpace() {
    while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
  }
  bool ReadDouble(double& value);
  bool ReadInteger(int& value);
  bool ReadName(CTextureImage& face, const char* nextLineFormat);
  // The literal part of the format at the current position matches (no conversions read).
  bool LiteralAhead(const char* format) const;
  bool Fail(const char* format, const char* what, size_t lineStart);
  int LineAt(size_t position) const;

  std::string_view m_text;
  size_t m_pos = 0;
  std::string m_error;
  std::string m_detail;
  int m_nLastLine = 1;
  // Newlines before m_countedUpTo, plus one: the line there.
  mutable size_t m_countedUpTo = 0;
  mutable int m_nLinesCounted = 1;
};

int CFormatReader::LineAt(size_t position) const {
  position = std::min(position, m_text.size());
  // Positions asked for only grow while a file is read, so counting on from the last one keeps
  // a whole read linear.
  if (position < m_countedUpTo) m_countedUpTo = 0, m_nLinesCounted = 1;
  for (; m_countedUpTo < position; ++m_countedUpTo)
    if (m_text[m_countedUpTo] == '\n') ++m_nLinesCounted;
  return m_nLinesCounted;
}

bool CFormatReader::Fail(const char* format, const char* what, size_t lineStart) {
  // The words the line begins with, up to its first conversion.
  std::string words(format, std::strcspn(format, "%"));
  while (!words.empty() && (IsSpace(words.back()) || words.back() == ':' || words.back() == '='))
    words.pop_back();
  size_t first = 0;
  while (first < words.size() && IsSpace(words[first])) ++first;
  words = words.substr(first);
  size_t where = lineStart;
  while (where < m_text.size() && IsSpace(m_text[where])) ++where;
  m_error = "Line " + std::to_string(LineAt(where)) + ": expected \"" + words + "\" and " + what;
  if (!m_detail.empty())
    m_error += " (" + m_detail + ")";
  else if (m_pos >= m_text.size())
    m_error += ", but the file ends there";
  m_error += ".";
  return false;
}

bool CFormatReader::ReadDouble(double& value) {
  SkipSpace();
  std::string_view rest = m_text.substr(m_pos);
  size_t skipped = 0;
  if (!rest.empty() && rest[0] == '+' && (rest.size() < 2 || rest[1] != '-')) skipped = 1;
  const char* begin = rest.data() + skipped;
  const char* end = rest.data() + rest.size();
  auto [stop, error] = std::from_chars(begin, end, value);
  if (stop == begin) return false;
  if (error == std::errc::result_out_of_range) {
    // Formatted input gives the nearest representable value: ±HUGE_VAL or a (sub)normal near 0.
    value = std::strtod(std::string(begin, stop).c_str(), nullptr);
  } else if (error != std::errc()) {
    return false;
  }
  m_pos += skipped + static_cast<size_t>(stop - begin);
  return true;
}

bool CFormatReader::ReadInteger(int& value) {
  SkipSpace();
  size_t end = m_pos;
  if (end < m_text.size() && (m_text[end] == '+' || m_text[end] == '-')) ++end;
  const size_t digits = end;
  while (end < m_text.size() && m_text[end] >= '0' && m_text[end] <= '9') ++end;
  if (end == digits) return false;
  long long number = 0;
  for (size_t i = digits; i < end; ++i) {
    number = number * 10 + (m_text[i] - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (m_text[m_pos] == '-') number = -number;
  if (number < INT_MIN || number > INT_MAX) {
    m_detail = std::string(m_text.substr(m_pos, end - m_pos)) + " is too large";
    return false;
  }
  value = static_cast<int>(number);
  m_pos = end;
  return true;
}

bool CFormatReader::LiteralAhead(const char* format) const {
  CFormatReader probe(m_text);
  probe.m_pos = m_pos;
  for (const char* c = format; *c && *c != '%'; ++c) {
    if (IsSpace(*c)) {
      probe.SkipSpace();
    } else if (probe.m_pos < m_text.size() && m_text[probe.m_pos] == *c) {
      ++probe.m_pos;
    } else {
      return false;
    }
  }
  return true;
}

bool CFormatReader::ReadName(CTextureImage& face, const char* nextLineFormat) {
  SkipSpace();
  // An empty name leaves the next line's words where the name would be.
  if (nextLineFormat && LiteralAhead(nextLineFormat)) {
    face.SetName("");
    return true;
  }
  size_t end = m_pos;
  while (end < m_text.size() && !IsSpace(m_text[end])) ++end;
  if (end == m_pos) return false;
  if (end - m_pos > static_cast<size_t>(kTextureNameLength)) {
    m_detail = "the name has " + std::to_string(end - m_pos) + " characters, more than " +
               std::to_string(kTextureNameLength);
    return false;
  }
  face.SetName(m_text.substr(m_pos, end - m_pos));
  m_pos = end;
  return true;
}

bool CFormatReader::Match(const char* format, std::initializer_list<CTarget> targets, const char* what) {
  const size_t lineStart = m_pos;
  size_t firstWord = m_pos;
  while (firstWord < m_text.size() && IsSpace(m_text[firstWord])) ++firstWord;
  m_nLastLine = LineAt(firstWord);
  auto target = targets.begin();
  for (const char* c = format; *c; ++c) {
    if (IsSpace(*c)) {
      SkipSpace();
      continue;
    }
    if (*c == '%') {
      bool read = false;
      if (c[1] == 'l') {
        read = ReadDouble(*target->number);
        c += 2;
      } else if (c[1] == 'd') {
        read = ReadInteger(*target->integer);
        c += 1;
      } else {
        read = ReadName(*target->name, target->nextLineFormat);
        c += 1;
      }
      ++target;
      if (!read) return Fail(format, what, lineStart);
      continue;
    }
    if (m_pos >= m_text.size() || m_text[m_pos] != *c) return Fail(format, what, lineStart);
    ++m_pos;
  }
  return true;
}

struct CDescriptor {
  explicit CDescriptor(int fd) : descriptor(fd) {}
  CDescriptor(const CDescriptor&) = delete;
  CDescriptor& operator=(const CDescriptor&) = delete;
  ~CDescriptor() {
    if (descriptor >= 0) close(descriptor);
  }
  int descriptor;
};

// What a path names when it is not a file to read.
std::string NotAFileReason(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder, not a file";
  if (S_ISFIFO(mode)) return "it is a named pipe, not a file";
  if (S_ISSOCK(mode)) return "it is a socket, not a file";
  return "it is a device, not a file";
}

// The whole file into text. Opened without blocking, so that a named pipe without a writer is
// refused at once instead of waiting for one.
EDataFileRead ReadRegularFile(const std::string& path, std::string& text, std::string& reason) {
  const CDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  const int descriptor = file.descriptor;
  if (descriptor < 0) {
    reason = std::strerror(errno);
    return EDataFileRead::CannotOpen;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0) {
    reason = std::strerror(errno);
    return EDataFileRead::CannotOpen;
  }
  if (!S_ISREG(status.st_mode)) {
    reason = NotAFileReason(status.st_mode);
    return EDataFileRead::CannotOpen;
  }
  try {
    text.reserve(static_cast<size_t>(status.st_size));
    char chunk[1 << 16];
    for (;;) {
      const ssize_t got = read(descriptor, chunk, sizeof chunk);
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        reason = "the file cannot be read whole (" + std::string(std::strerror(errno)) + ")";
        return EDataFileRead::Refused;
      }
      text.append(chunk, static_cast<size_t>(got));
    }
  } catch (const std::exception&) {
    reason = "the file is too large to read";
    return EDataFileRead::Refused;
  }
  return EDataFileRead::Loaded;
}

using T = CFormatReader::CTarget;

T D(double& value) { return T{&value, nullptr, nullptr, nullptr}; }
T I(int& value) { return T{nullptr, &value, nullptr, nullptr}; }

}  // namespace

void WriteDataFile(CFileSink& sink, const CSingleImage& model) { sink.Write(DataFileText(model)); }

std::string DataFileText(const CSingleImage& model) {
  std::string text;
  const double* vectors[] = {model.m_Vx, model.m_Vy, model.m_Vz};
  for (int i = 0; i < 3; ++i)
    WriteLine(text, kHeaderFormats[i], {Fixed(vectors[i][0]), Fixed(vectors[i][1]), Fixed(vectors[i][2])});
  WriteLine(text, kHeaderFormats[3], {Fixed(model.m_a)});
  WriteLine(text, kHeaderFormats[4], {Fixed(model.m_b)});
  WriteLine(text, kHeaderFormats[5], {Fixed(model.m_A)});
  WriteLine(text, kHeaderFormats[6], {Fixed(model.m_StandardOrigin[0]), Fixed(model.m_StandardOrigin[1])});
  WriteLine(text, kHeaderFormats[7], {Fixed(model.m_l[0]), Fixed(model.m_l[1]), Fixed(model.m_l[2])});
  for (int row = 0; row < 3; ++row)
    WriteLine(text, kHeaderFormats[8 + row],
              {Fixed(model.m_HMatrix[row][0]), Fixed(model.m_HMatrix[row][1]), Fixed(model.m_HMatrix[row][2])});
  WriteLine(text, kHeaderFormats[11], {Fixed(model.m_lScale[0]), Fixed(model.m_lScale[1]), Fixed(model.m_lScale[2])});
  for (int row = 0; row < 3; ++row)
    WriteLine(text, kHeaderFormats[12 + row],
              {Fixed(model.m_HStandardMatrix[row][0]), Fixed(model.m_HStandardMatrix[row][1]),
               Fixed(model.m_HStandardMatrix[row][2])});
  WriteLine(text, kHeaderFormats[15], {Integer(model.m_nMaxId)});

  WriteLine(text, kPointCountFormat, {Integer(model.m_Points.GetCount())});
  for (int i = 0; i < model.m_Points.GetCount(); ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    WriteLine(text, kPointFormats[0], {Integer(p.m_id)});
    WriteLine(text, kPointFormats[1], {Fixed(p.m_u), Fixed(p.m_v)});
    WriteLine(text, kPointFormats[2], {Fixed(p.m_x), Fixed(p.m_y), Fixed(p.m_z)});
    WriteLine(text, kPointFormats[3], {Integer(p.m_refX), Integer(p.m_refY), Integer(p.m_refZ)});
  }
  WriteLine(text, kTextureCountFormat, {Integer(model.m_Textures.GetCount())});
  for (int i = 0; i < model.m_Textures.GetCount(); ++i) {
    const CTextureImage& face = *model.m_Textures.ElementAt(i);
    WriteLine(text, kTextureFormats[0], {std::string(face.m_name)});
    for (int corner = 0; corner < 4; ++corner) WriteLine(text, kTextureFormats[1 + corner], {Integer(face.m_pointId[corner])});
  }
  return text;
}

bool ParseDataFile(std::string_view text, CDataFileContent& c, std::string& error) {
  CFormatReader reader(text);
  const auto fail = [&] {
    error = reader.Error();
    return false;
  };
  double* vectors[] = {c.m_Vx, c.m_Vy, c.m_Vz};
  for (int i = 0; i < 3; ++i)
    if (!reader.Match(kHeaderFormats[i], {D(vectors[i][0]), D(vectors[i][1]), D(vectors[i][2])}, "three numbers"))
      return fail();
  if (!reader.Match(kHeaderFormats[3], {D(c.m_a)}, "a number") ||
      !reader.Match(kHeaderFormats[4], {D(c.m_b)}, "a number") ||
      !reader.Match(kHeaderFormats[5], {D(c.m_A)}, "a number") ||
      !reader.Match(kHeaderFormats[6], {D(c.m_StandardOrigin[0]), D(c.m_StandardOrigin[1])}, "two numbers") ||
      !reader.Match(kHeaderFormats[7], {D(c.m_l[0]), D(c.m_l[1]), D(c.m_l[2])}, "three numbers"))
    return fail();
  for (int row = 0; row < 3; ++row)
    if (!reader.Match(kHeaderFormats[8 + row], {D(c.m_HMatrix[row][0]), D(c.m_HMatrix[row][1]), D(c.m_HMatrix[row][2])},
                      "three numbers"))
      return fail();
  if (!reader.Match(kHeaderFormats[11], {D(c.m_lScale[0]), D(c.m_lScale[1]), D(c.m_lScale[2])}, "three numbers"))
    return fail();
  for (int row = 0; row < 3; ++row)
    if (!reader.Match(kHeaderFormats[12 + row],
                      {D(c.m_HStandardMatrix[row][0]), D(c.m_HStandardMatrix[row][1]), D(c.m_HStandardMatrix[row][2])},
                      "three numbers"))
      return fail();
  if (!reader.Match(kHeaderFormats[15], {I(c.m_nMaxId)}, "an id")) return fail();
  if (c.m_nMaxId == INT_MAX) {
    error = "Line " + std::to_string(reader.LastLine()) + ": the largest id " + std::to_string(INT_MAX) +
            " leaves no id for the next point.";
    return false;
  }

  int pointCount = 0;
  if (!reader.Match(kPointCountFormat, {I(pointCount)}, "a count")) return fail();
  if (pointCount < 0) {
    error = "Line " + std::to_string(reader.LastLine()) + ": expected \"The number of the point is\" and a count (" +
            std::to_string(pointCount) + " is not one).";
    return false;
  }
  // Records are made only for data that is there: a huge count fails at the first missing one.
  for (int i = 0; i < pointCount; ++i) {
    CViewPoint p;
    if (!reader.Match(kPointFormats[0], {I(p.m_id)}, "an id") ||
        !reader.Match(kPointFormats[1], {D(p.m_u), D(p.m_v)}, "two numbers") ||
        !reader.Match(kPointFormats[2], {D(p.m_x), D(p.m_y), D(p.m_z)}, "three numbers") ||
        !reader.Match(kPointFormats[3], {I(p.m_refX), I(p.m_refY), I(p.m_refZ)}, "three ids"))
      return fail();
    c.points.push_back(p);
  }

  int textureCount = 0;
  if (!reader.Match(kTextureCountFormat, {I(textureCount)}, "a count")) return fail();
  if (textureCount < 0) {
    error = "Line " + std::to_string(reader.LastLine()) + ": expected \"The number of the textures is\" and a count (" +
            std::to_string(textureCount) + " is not one).";
    return false;
  }
  for (int i = 0; i < textureCount; ++i) {
    CTextureImage face;
    T name{nullptr, nullptr, &face, kTextureFormats[1]};
    if (!reader.Match(kTextureFormats[0], {name}, "a name")) return fail();
    for (int corner = 0; corner < 4; ++corner)
      if (!reader.Match(kTextureFormats[1 + corner], {I(face.m_pointId[corner])}, "a point id")) return fail();
    c.textures.push_back(face);
  }
  return true;
}

void ApplyDataFile(CSingleImage& model, CDataFileContent&& c) {
  for (int i = 0; i < 3; ++i) {
    model.m_Vx[i] = c.m_Vx[i];
    model.m_Vy[i] = c.m_Vy[i];
    model.m_Vz[i] = c.m_Vz[i];
    model.m_l[i] = c.m_l[i];
    model.m_lScale[i] = c.m_lScale[i];
    for (int j = 0; j < 3; ++j) {
      model.m_HMatrix[i][j] = c.m_HMatrix[i][j];
      model.m_HStandardMatrix[i][j] = c.m_HStandardMatrix[i][j];
    }
  }
  model.m_a = c.m_a;
  model.m_b = c.m_b;
  model.m_A = c.m_A;
  model.m_StandardOrigin[0] = c.m_StandardOrigin[0];
  model.m_StandardOrigin[1] = c.m_StandardOrigin[1];
  model.m_nMaxId = c.m_nMaxId;
  model.m_Points.RemoveAll();
  for (const CViewPoint& p : c.points) model.m_Points.Add(new CViewPoint(p));
  model.m_Textures.RemoveAll();
  for (const CTextureImage& face : c.textures) model.m_Textures.Add(new CTextureImage(face));
}

CSaveResult SaveDataFile(const std::string& path, const CSingleImage& model) {
  const std::string text = DataFileText(model);
  return SaveFile(path, [&text](CFileSink& sink) { sink.Write(text); });
}

EDataFileRead ReadDataFile(const std::string& path, CSingleImage& model, std::string& reason) {
  std::string text;
  if (const EDataFileRead read = ReadRegularFile(path, text, reason); read != EDataFileRead::Loaded) return read;
  CDataFileContent content;
  if (!ParseDataFile(text, content, reason)) return EDataFileRead::Refused;
  ApplyDataFile(model, std::move(content));
  return EDataFileRead::Loaded;
}

EDataFileRead ReadDataFileText(const std::string& path, std::string& text, std::string& reason) {
  return ReadRegularFile(path, text, reason);
}
