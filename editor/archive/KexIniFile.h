// Sectioned key/value text files: environment files, materials, physics settings, vehicle and
// group lists, activity data, particle and sky settings all go through TKexIniFile.
//
// It is deliberately simpler than a general INI library. The file is kept as its list of
// lines; every read scans the lines of its section from the header on, and every write
// inserts one new line directly after the header, so the newest value of a key comes first
// and wins. Existing lines are never replaced or removed. Keys are found as substrings of a
// line (a lookup of "speed" also matches "topspeed=9" when that line comes first) and the
// first matching line of the section answers. The format owners rely on all of this.
//
// Text encoding. In memory every line is UTF-8. On disk the files are 8-bit Windows-1252
// text, the code page the game's files are written in:
//  - LoadFromBuffer maps each byte to its Windows-1252 character (bytes in the code page's
//    holes keep their own code), so the loaders below and LoadFromBuffer agree;
//  - LoadFromFile and LoadFromStream read Windows-1252 unless the bytes start with a UTF-8
//    or UTF-16 (either byte order) byte-order mark, which selects that encoding;
//  - SaveToFile always writes Windows-1252 without a byte-order mark, CR LF after every
//    line; a character with no Windows-1252 form is written as '?'.
// Reading a file and saving it again therefore gives back the same bytes, except that line
// ends become CR LF and lines lose their surrounding blanks (the loaders trim them).
//
// Letter case: section headers are compared as whole lines without regard to case; keys are
// matched without regard to ASCII letter case (the game's keys are ASCII).
//
// Floats are read and written with "." as the decimal separator whatever the locale.
#pragma once

#include "core/MatrixMaths.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// Four integers, as ReadRectDef and WriteRect know them.
struct TIniRect
{
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

    friend bool operator==(const TIniRect&, const TIniRect&) = default;
};

class TKexIniFile
{
public:
    TKexIniFile() = default;
    virtual ~TKexIniFile() = default;
    TKexIniFile(const TKexIniFile&) = default;
    TKexIniFile& operator=(const TKexIniFile&) = default;

    // The file's lines in file order.
    std::vector<std::string> Lines;

    // Splits size bytes into Lines (replacing them). A CR or LF ends a line; when the byte
    // after it is also CR or LF both are taken as one break, so CR LF, LF CR, CR CR and
    // LF LF each end one line. Lines are not trimmed. Always true.
    virtual bool LoadFromBuffer(const void* buffer, uint32_t size);
    // Reads the file as text (CR, LF or CR LF end a line) and trims every line. A missing or
    // unreadable file raises EFOpenError / EReadError.
    virtual void LoadFromFile(const std::string& fileName);
    // Writes every line followed by CR LF through a temporary file and a rename, so a failed
    // save leaves the old file as it was. Raises EFCreateError / EWriteError.
    virtual void SaveToFile(const std::string& fileName);
    // Replaces Lines with the stream's remaining bytes read as text, then trims them. False
    // when reading fails.
    virtual bool LoadFromStream(TStream& stream);

    // Reading. Reads never fail: a missing section, key or value, or text that does not
    // convert gives the default.
    std::string ReadStringDef(std::string_view section, std::string_view key,
                              std::string_view def) const;
    std::string ReadString(std::string_view section, std::string_view key) const;
    // True when the value starts with '1', 'T' or 't'.
    bool ReadBool(std::string_view section, std::string_view key) const;
    // Empty value: def; otherwise true only when it starts with 'T' or 't' ("1" is false).
    bool ReadBoolDef(std::string_view section, std::string_view key, bool def) const;
    int32_t ReadIntegerDef(std::string_view section, std::string_view key, int32_t def) const;
    int32_t ReadInteger(std::string_view section, std::string_view key) const;
    float ReadFloatDef(std::string_view section, std::string_view key, float def) const;
    float ReadFloat(std::string_view section, std::string_view key) const;
    // "R,G,B" as a colour with red in the lowest byte; a failed component gives 0.
    uint32_t ReadColorDef(std::string_view section, std::string_view key, uint32_t def) const;
    uint32_t ReadColor(std::string_view section, std::string_view key) const;
    // Four runs of decimal digits; everything else (a minus sign too) separates them.
    TIniRect ReadRectDef(std::string_view section, std::string_view key, const TIniRect& def) const;
    // "X,Y,Z"; a missing, empty or non-numeric component keeps the default's.
    TVector3f ReadVectorDef(std::string_view section, std::string_view key,
                            const TVector3f& def) const;
    TVector3f ReadVector(std::string_view section, std::string_view key) const;
    TVector4f ReadVector4Def(std::string_view section, std::string_view key,
                             const TVector4f& def) const;

    // Writing. Every writer adds the line key=value as the first line of the section
    // (creating the section at the end when it is missing). CR and LF in the key or value
    // are written as blanks, as a line cannot hold them.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteBool(std::string_view section, std::string_view key, bool value);      // T / F
    void WriteBoolDigit(std::string_view section, std::string_view key, bool value); // 1 / 0
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteFloat(std::string_view section, std::string_view key, float value);
    void WriteColor(std::string_view section, std::string_view key, uint32_t value);
    void WriteRect(std::string_view section, std::string_view key, const TIniRect& value);
    void WriteVector(std::string_view section, std::string_view key, const TVector3f& value);
    void WriteVector4(std::string_view section, std::string_view key, const TVector4f& value);
    void WriteBoolIfChanged(std::string_view section, std::string_view key, bool def, bool value);
    void WriteBoolDigitIfChanged(std::string_view section, std::string_view key, bool def,
                                 bool value);
    void WriteIntegerIfChanged(std::string_view section, std::string_view key, int32_t def,
                               int32_t value);
    void WriteFloatIfChanged(std::string_view section, std::string_view key, float def,
                             float value);
    void WriteStringIfChanged(std::string_view section, std::string_view key, std::string_view def,
                              std::string_view value);
    void WriteVectorIfChanged(std::string_view section, std::string_view key, const TVector3f& def,
                              const TVector3f& value);

    // Index of the line after the section's header; -1 when there is no such section.
    int SectionBodyIndex(std::string_view section) const;
    // Index of the key's line in the section; -1 when there is none.
    int FindKeyLine(std::string_view section, std::string_view key) const;
    // True when some line of the section's body contains the key anywhere (any case).
    bool KeyExists(std::string_view section, std::string_view key) const;
    // Inserts an empty line before every section header except one on the first line.
    void SpaceSections();
    // Removes leading and trailing blanks and control characters from every line.
    void TrimLines();

private:
    int HeaderIndex(std::string_view section) const;
};

// Opens its file through the resource manager, so a name is found in loose folders and
// inside archives alike.
class THovIniFile : public TKexIniFile
{
public:
    // The name to look up for name; descendants change the extension.
    virtual std::string ResolveName(const std::string& name) { return name; }
    // Loads ResolveName(name) through the resource manager (flag is handed on). False
    // without a resource manager or when it cannot supply the file.
    bool LoadFromResources(const std::string& name, int flag);
};

// Formats shared with the writers: 7 significant digits, exactly `decimals` digits after
// the point, "." as separator; a magnitude of 10^7 or more in scientific notation
// ("1.234568E+007").
std::string FormatIniFloat(float value, int decimals);
// Number conversion of the reads: optional blanks, optional sign, decimal digits (and for
// floats "." and an exponent); anything else does not convert.
bool IniTextToInt(std::string_view text, int32_t& value);
bool IniTextToFloat(std::string_view text, float& value);

// Trims s, then drops one leading and one trailing quote character (" or '), each end on
// its own.
std::string StripQuotes(std::string_view s);
std::string SpacesToUnderscores(std::string_view s);
// Value builders for the format owners' defaults.
TVector4f MakeVector4(float x, float y, float z, float w);
// b0 in the lowest byte, b3 in the highest.
uint32_t MakeColor(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);
