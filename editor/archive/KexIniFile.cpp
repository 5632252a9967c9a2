#include "archive/KexIniFile.h"

#include "archive/KexResourceManager.h"
#include "core/StrUtils.h"
#include "core/Streams.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace
{
// Longest value text a read takes, in characters.
constexpr size_t kMaxValueChars = 256;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Bytes in the holes of Windows-1252 (0x81, 0x8D, 0x8F, 0x90, 0x9D) are read as the
// characters of the same code; write them back as those bytes.
bool IsCodePageHole(uint8_t b)
{
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

std::string ToAnsi(std::string_view utf8)
{
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i + 1 < utf8.size(); ++i)
    {
        if (uint8_t(utf8[i]) == 0xC2 && IsCodePageHole(uint8_t(utf8[i + 1])))
        {
            out += Utf8ToAnsi(utf8.substr(start, i - start));
            out += utf8[i + 1];
            start = i + 2;
            ++i;
        }
    }
    out += Utf8ToAnsi(utf8.substr(start));
    return out;
}

std::string DecodeUtf16(const uint8_t* data, size_t size, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArrayView(data, qsizetype(size)));
    return text.toStdString();
}

// File bytes to UTF-8 text: a byte-order mark selects UTF-8 or UTF-16, otherwise the bytes
// are Windows-1252.
std::string DecodeText(const std::vector<uint8_t>& bytes)
{
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return QString::fromUtf8(reinterpret_cast<const char*>(p + 3), qsizetype(n - 3))
            .toStdString();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return DecodeUtf16(p + 2, n - 2, QStringConverter::Utf16LE);
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return DecodeUtf16(p + 2, n - 2, QStringConverter::Utf16BE);
    return AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(p), n));
}

// Text to lines the way a text file is read: CR LF, CR or LF end a line; a last line
// without a break still counts, a break at the very end adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < text.size())
    {
        const size_t start = i;
        while (i < text.size() && text[i] != '\r' && text[i] != '\n')
            ++i;
        lines.emplace_back(text.substr(start, i - start));
        if (i < text.size() && text[i] == '\r')
            ++i;
        if (i < text.size() && text[i] == '\n')
            ++i;
    }
    return lines;
}

// Components of a comma-separated value; a component beyond the end is empty.
std::string_view Component(std::string_view value, size_t& pos)
{
    if (pos >= value.size())
        return {};
    const size_t comma = value.find(',', pos);
    const size_t end = comma == std::string_view::npos ? value.size() : comma;
    const std::string_view part = value.substr(pos, end - pos);
    pos = end + 1;
    return part;
}

std::string HeaderOf(std::string_view section)
{
    return "[" + std::string(section) + "]";
}
} // namespace

// ---- Number conversion and formatting ------------------------------------------------

bool IniTextToInt(std::string_view text, int32_t& value)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t digitsStart = i;
    int64_t v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    {
        v = v * 10 + (text[i++] - '0');
        if (v > int64_t(1) << 32)
            return false;
    }
    if (i == digitsStart)
        return false;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i != text.size())
        return false;
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    value = int32_t(v);
    return true;
}

bool IniTextToFloat(std::string_view text, float& value)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    {
        if (text[i] == '-')
            number += '-';
        ++i;
    }
    size_t digits = 0;
    auto takeDigits = [&]
    {
        size_t n = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        {
            number += text[i++];
            ++n;
        }
        return n;
    };
    digits += takeDigits();
    if (i < text.size() && text[i] == '.')
    {
        number += digits ? "." : "0.";
        ++i;
        digits += takeDigits();
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E'))
    {
        number += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            number += text[i++];
        if (takeDigits() == 0)
            return false;
    }
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i != text.size())
        return false;
    double d = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), d);
    if (ec != std::errc() || end != number.data() + number.size())
    {
        // A tiny number (negative exponent) underflows to zero; anything else that is out
        // of range does not convert.
        if (ec != std::errc::result_out_of_range || number.find("e-") == std::string::npos)
            return false;
        d = 0;
    }
    if (!std::isfinite(d) || std::fabs(d) > double(std::numeric_limits<float>::max()))
        return false;
    value = float(d);
    return true;
}

std::string FormatIniFloat(float value, int decimals)
{
    constexpr int kPrecision = 7;
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(double(value));

    // The exact decimal digits of the value (a float has far fewer than printed here).
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.50e", magnitude);
    std::string digits;
    digits += buf[0];
    const char* e = std::strchr(buf, 'e');
    digits.append(buf + 2, size_t(e - (buf + 2)));
    int pointPos = std::atoi(e + 1) + 1; // digits before the point
    if (magnitude == 0)
        pointPos = 1;

    // Round half away from zero to 7 significant digits, and to no more than `decimals`
    // digits after the point.
    const int keep = std::min(kPrecision, pointPos + decimals);
    std::string kept;
    if (keep >= 0)
    {
        kept = digits.substr(0, size_t(keep));
        if (size_t(keep) < digits.size() && digits[size_t(keep)] >= '5')
        {
            int j = keep - 1;
            while (j >= 0 && kept[size_t(j)] == '9')
                kept[size_t(j--)] = '0';
            if (j >= 0)
                ++kept[size_t(j)];
            else
            {
                kept.insert(kept.begin(), '1');
                kept.pop_back();
                ++pointPos;
                if (keep == 0)
                    kept = "1";
            }
        }
    }
    const bool zero = kept.find_first_not_of('0') == std::string::npos;
    std::string out = negative && !zero ? "-" : "";

    if (!zero && pointPos > kPrecision)
    {
        kept.resize(kPrecision, '0');
        char exp[16];
        std::snprintf(exp, sizeof exp, "E+%03d", pointPos - 1);
        return out + kept.substr(0, 1) + "." + kept.substr(1) + exp;
    }
    if (zero)
        kept.clear();
    auto digitAt = [&](int index)
    { return index >= 0 && index < int(kept.size()) ? kept[size_t(index)] : '0'; };
    if (pointPos <= 0 || zero)
        out += '0';
    else
        for (int j = 0; j < pointPos; ++j)
            out += digitAt(j);
    if (decimals > 0)
    {
        out += '.';
        for (int j = 0; j < decimals; ++j)
            out += digitAt(pointPos + j);
    }
    return out;
}

// ---- Loading and saving ---------------------------------------------------------------

bool TKexIniFile::LoadFromBuffer(const void* buffer, uint32_t size)
{
    Lines.clear();
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (!bytes)
        size = 0;
    uint32_t position = 0;
    while (position < size)
    {
        const uint32_t start = position;
        while (position < size && bytes[position] != 10 && bytes[position] != 13)
            ++position;
        Lines.push_back(AnsiToUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes + start), position - start)));
        if (position < size)
        {
            ++position;
            if (position < size && (bytes[position] == 10 || bytes[position] == 13))
                ++position;
        }
    }
    return true;
}

void TKexIniFile::LoadFromFile(const std::string& fileName)
{
    const std::vector<uint8_t> bytes = ReadWholeFile(fileName);
    Lines = SplitTextLines(DecodeText(bytes));
    TrimLines();
}

void TKexIniFile::SaveToFile(const std::string& fileName)
{
    std::string bytes;
    for (const std::string& line : Lines)
    {
        bytes += ToAnsi(line);
        bytes += "\r\n";
    }
    WriteFileAtomically(fileName, bytes.data(), bytes.size());
}

bool TKexIniFile::LoadFromStream(TStream& stream)
{
    Lines.clear();
    try
    {
        const int64_t left = stream.Size() - stream.Position();
        std::vector<uint8_t> bytes(size_t(std::max<int64_t>(0, left)));
        stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
        Lines = SplitTextLines(DecodeText(bytes));
        TrimLines();
        return true;
    }
    catch (const std::exception&)
    {
        return false;
    }
}

// ---- Reading ----------------------------------------------------------------------------

int TKexIniFile::HeaderIndex(std::string_view section) const
{
    const std::string header = HeaderOf(section);
    for (size_t i = 0; i < Lines.size(); ++i)
        if (SameText(Lines[i], header))
            return int(i);
    return -1;
}

int TKexIniFile::SectionBodyIndex(std::string_view section) const
{
    const int header = HeaderIndex(section);
    return header < 0 ? -1 : header + 1;
}

std::string TKexIniFile::ReadStringDef(std::string_view section, std::string_view key,
                                       std::string_view def) const
{
    const int header = HeaderIndex(section);
    if (header < 0)
        return std::string(def);
    const std::string lowerKey = LowerCase(key);
    for (size_t i = size_t(header) + 1; i < Lines.size(); ++i)
    {
        const std::string& line = Lines[i];
        if (line.empty())
            continue;
        if (line[0] == '[')
            break;
        const std::string lower = LowerCase(line);
        if (lower[0] == ';')
            continue;
        const size_t at = lower.find(lowerKey);
        if (at == std::string::npos)
            continue;
        size_t p = at + lowerKey.size();
        while (p < line.size() &&
               (line[p] == '\t' || line[p] == '\n' || line[p] == '\r' || line[p] == ' '))
            ++p;
        if (p < line.size() && line[p] == '=')
            return Trim(Utf8Prefix(std::string_view(line).substr(p + 1), kMaxValueChars));
    }
    return std::string(def);
}

std::string TKexIniFile::ReadString(std::string_view section, std::string_view key) const
{
    return ReadStringDef(section, key, {});
}

bool TKexIniFile::ReadBool(std::string_view section, std::string_view key) const
{
    const std::string v = ReadString(section, key);
    return !v.empty() && (v[0] == '1' || v[0] == 'T' || v[0] == 't');
}

bool TKexIniFile::ReadBoolDef(std::string_view section, std::string_view key, bool def) const
{
    const std::string v = ReadString(section, key);
    if (v.empty())
        return def;
    return v[0] == 'T' || v[0] == 't';
}

int32_t TKexIniFile::ReadIntegerDef(std::string_view section, std::string_view key,
                                    int32_t def) const
{
    int32_t v = def;
    return IniTextToInt(ReadString(section, key), v) ? v : def;
}

int32_t TKexIniFile::ReadInteger(std::string_view section, std::string_view key) const
{
    return ReadIntegerDef(section, key, 0);
}

float TKexIniFile::ReadFloatDef(std::string_view section, std::string_view key, float def) const
{
    float v = def;
    return IniTextToFloat(ReadString(section, key), v) ? v : def;
}

float TKexIniFile::ReadFloat(std::string_view section, std::string_view key) const
{
    return ReadFloatDef(section, key, 0.0f);
}

uint32_t TKexIniFile::ReadColorDef(std::string_view section, std::string_view key,
                                   uint32_t def) const
{
    const std::string v = ReadString(section, key);
    if (v.empty())
        return def;
    size_t pos = 0;
    uint32_t color = 0;
    for (int c = 0; c < 3; ++c)
    {
        int32_t n = 0;
        if (!IniTextToInt(Component(v, pos), n))
            n = 0;
        color |= (uint32_t(n) & 0xFF) << (8 * c);
    }
    return color;
}

uint32_t TKexIniFile::ReadColor(std::string_view section, std::string_view key) const
{
    return ReadColorDef(section, key, 0);
}

TIniRect TKexIniFile::ReadRectDef(std::string_view section, std::string_view key,
                                  const TIniRect& def) const
{
    const std::string v = ReadString(section, key);
    if (v.empty())
        return def;
    TIniRect r = def;
    int32_t* parts[4] = {&r.Left, &r.Top, &r.Right, &r.Bottom};
    size_t pos = 0;
    for (int32_t* part : parts)
    {
        while (pos < v.size() && !(v[pos] >= '0' && v[pos] <= '9'))
            ++pos;
        const size_t start = pos;
        while (pos < v.size() && v[pos] >= '0' && v[pos] <= '9')
            ++pos;
        if (pos == start)
            break; // no digits left: this and the following components keep their defaults
        int32_t n = 0;
        if (IniTextToInt(std::string_view(v).substr(start, pos - start), n))
            *part = n;
    }
    return r;
}

TVector3f TKexIniFile::ReadVectorDef(std::string_view section, std::string_view key,
                                     const TVector3f& def) const
{
    const std::string v = ReadString(section, key);
    if (v.empty())
        return def;
    TVector3f r = def;
    size_t pos = 0;
    for (float* c : {&r.x, &r.y, &r.z})
        IniTextToFloat(Component(v, pos), *c);
    return r;
}

TVector3f TKexIniFile::ReadVector(std::string_view section, std::string_view key) const
{
    return ReadVectorDef(section, key, TVector3f{});
}

TVector4f TKexIniFile::ReadVector4Def(std::string_view section, std::string_view key,
                                      const TVector4f& def) const
{
    const std::string v = ReadString(section, key);
    if (v.empty())
        return def;
    TVector4f r = def;
    size_t pos = 0;
    for (float* c : {&r.x, &r.y, &r.z, &r.w})
        IniTextToFloat(Component(v, pos), *c);
    return r;
}

// ---- Writing ----------------------------------------------------------------------------

void TKexIniFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value)
{
    int header = HeaderIndex(section);
    if (header < 0)
    {
        Lines.push_back(HeaderOf(section));
        header = int(Lines.size()) - 1;
    }
    // A line break inside the text would split the line and could start a section of its
    // own when the file is read back; the format has no way to hold one, so it becomes a
    // blank.
    std::string line = std::string(key) + "=" + std::string(value);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    if (size_t(header) + 1 == Lines.size())
        Lines.push_back(std::move(line));
    else
        Lines.insert(Lines.begin() + header + 1, std::move(line));
}

void TKexIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "T" : "F");
}

void TKexIniFile::WriteBoolDigit(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TKexIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TKexIniFile::WriteFloat(std::string_view section, std::string_view key, float value)
{
    WriteString(section, key, FormatIniFloat(value, 6));
}

void TKexIniFile::WriteColor(std::string_view section, std::string_view key, uint32_t value)
{
    WriteString(section, key,
                std::to_string(value & 0xFF) + "," + std::to_string((value >> 8) & 0xFF) + "," +
                    std::to_string((value >> 16) & 0xFF));
}

void TKexIniFile::WriteRect(std::string_view section, std::string_view key, const TIniRect& value)
{
    WriteString(section, key,
                std::to_string(value.Left) + "," + std::to_string(value.Top) + "," +
                    std::to_string(value.Right) + "," + std::to_string(value.Bottom));
}

void TKexIniFile::WriteVector(std::string_view section, std::string_view key,
                              const TVector3f& value)
{
    WriteString(section, key,
                FormatIniFloat(value.x, 6) + "," + FormatIniFloat(value.y, 6) + "," +
                    FormatIniFloat(value.z, 6));
}

void TKexIniFile::WriteVector4(std::string_view section, std::string_view key,
                               const TVector4f& value)
{
    WriteString(section, key,
                FormatIniFloat(value.x, 3) + "," + FormatIniFloat(value.y, 3) + "," +
                    FormatIniFloat(value.z, 3) + "," + FormatIniFloat(value.w, 3));
}

void TKexIniFile::WriteBoolIfChanged(std::string_view section, std::string_view key, bool def,
                                     bool value)
{
    if (value != def)
        WriteBool(section, key, value);
}

void TKexIniFile::WriteBoolDigitIfChanged(std::string_view section, std::string_view key, bool def,
                                          bool value)
{
    if (value != def)
        WriteBoolDigit(section, key, value);
}

void TKexIniFile::WriteIntegerIfChanged(std::string_view section, std::string_view key, int32_t def,
                                        int32_t value)
{
    if (value != def)
        WriteInteger(section, key, value);
}

void TKexIniFile::WriteFloatIfChanged(std::string_view section, std::string_view key, float def,
                                      float value)
{
    if (value != def)
        WriteFloat(section, key, value);
}

void TKexIniFile::WriteStringIfChanged(std::string_view section, std::string_view key,
                                       std::string_view def, std::string_view value)
{
    if (value != def)
        WriteString(section, key, value);
}

void TKexIniFile::WriteVectorIfChanged(std::string_view section, std::string_view key,
                                       const TVector3f& def, const TVector3f& value)
{
    if (value.x != def.x || value.y != def.y || value.z != def.z)
        WriteVector(section, key, value);
}

// ---- Queries and tidying ------------------------------------------------------------

int TKexIniFile::FindKeyLine(std::string_view section, std::string_view key) const
{
    const int header = HeaderIndex(section);
    if (header < 0)
        return -1;
    const std::string lowerKey = LowerCase(key);
    for (size_t i = size_t(header) + 1; i < Lines.size(); ++i)
    {
        const std::string& line = Lines[i];
        if (!line.empty() && TrimLeft(line).starts_with('['))
            return -1;
        const size_t at = LowerCase(line).find(lowerKey);
        if (at == std::string::npos)
            continue;
        const size_t eq = line.find('=');
        if (eq != std::string::npos && eq >= at + lowerKey.size())
            return int(i);
    }
    return -1;
}

bool TKexIniFile::KeyExists(std::string_view section, std::string_view key) const
{
    const int body = SectionBodyIndex(section);
    if (body < 0)
        return false;
    for (size_t i = size_t(body); i < Lines.size() && !Lines[i].starts_with('['); ++i)
        if (FindNoCase(Lines[i], key) != std::string::npos)
            return true;
    return false;
}

void TKexIniFile::SpaceSections()
{
    size_t i = 0;
    while (i < Lines.size())
    {
        if (i > 0 && Lines[i].starts_with('['))
        {
            Lines.insert(Lines.begin() + std::ptrdiff_t(i), std::string());
            i += 2;
        }
        else
            ++i;
    }
}

void TKexIniFile::TrimLines()
{
    for (std::string& line : Lines)
        line = Trim(line);
}

// ---- Through the resource manager -------------------------------------------------

namespace
{
// The stream of a resource file, or nothing when it cannot be opened (the flag strips the
// name to its file name).
std::unique_ptr<TStream> OpenResourceStream(TKexResManager& manager, const std::string& name,
                                            int flag)
{
    std::unique_ptr<TMemoryStream> stream;
    if (manager.OpenFile(name, stream, flag != 0) != 0)
        return nullptr;
    return stream;
}
} // namespace

bool THovIniFile::LoadFromResources(const std::string& name, int flag)
{
    TKexResManager* manager = ResManager();
    if (!manager)
        return false;
    const std::unique_ptr<TStream> stream = OpenResourceStream(*manager, ResolveName(name), flag);
    if (!stream)
        return false;
    return LoadFromStream(*stream);
}

// ---- String helpers -------------------------------------------------------------------

std::string StripQuotes(std::string_view s)
{
    std::string r = Trim(s);
    auto isQuote = [](char c) { return c == '"' || c == '\''; };
    if (!r.empty() && isQuote(r.front()))
        r.erase(r.begin());
    if (!r.empty() && isQuote(r.back()))
        r.pop_back();
    return r;
}

std::string SpacesToUnderscores(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c == ' ')
            c = '_';
    return r;
}

TVector4f MakeVector4(float x, float y, float z, float w)
{
    return TVector4f{x, y, z, w};
}

uint32_t MakeColor(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3)
{
    return uint32_t(b0) | uint32_t(b1) << 8 | uint32_t(b2) << 16 | uint32_t(b3) << 24;
}
