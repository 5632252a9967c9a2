#include "terrain/VellTga.h"

#include "core/Streams.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace
{
struct TTgaHeader
{
    uint8_t IdLength = 0;
    uint8_t ColourMapType = 0;
    uint8_t ImageType = 0;
    uint16_t MapStart = 0;
    uint16_t MapLength = 0;
    uint8_t MapEntrySize = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Depth = 0;
    uint8_t Descriptor = 0;
};

uint16_t Le16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

// Three 6-bit channels.
struct TRgb6
{
    uint8_t R = 0, G = 0, B = 0;
};

// The grey index of a true-colour pixel.
uint8_t GreyIndex(int r, int g, int b)
{
    return uint8_t((32 * r + 64 * g + 12 * b) / 108);
}

// Every decoded pixel of the file, one per position, as true colour (ARGB) or an index.
struct TPixels
{
    bool Indexed = false;
    std::vector<uint32_t> Values; // width * height, in file order
};
} // namespace

bool TVellqTarga::LoadFromFile(const std::string& fileName, int mode, QImage& bitmap)
{
    const std::vector<uint8_t> bytes = ReadWholeFile(fileName);
    return LoadFromMemory(bytes.data(), bytes.size(), mode, bitmap);
}

bool TVellqTarga::LoadFromMemory(const void* data, size_t size, int mode, QImage& bitmap)
{
    FErrorText.clear();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    auto invalid = [&]()
    {
        FErrorText = InvalidText;
        bitmap = QImage(1, 1, QImage::Format_BGR888);
        bitmap.fill(0);
        return false;
    };
    if (!bytes || size < 18)
        return invalid();
    TTgaHeader h;
    h.IdLength = bytes[0];
    h.ColourMapType = bytes[1];
    h.ImageType = bytes[2];
    h.MapStart = Le16(bytes + 3);
    h.MapLength = Le16(bytes + 5);
    h.MapEntrySize = bytes[7];
    h.Width = Le16(bytes + 12);
    h.Height = Le16(bytes + 14);
    h.Depth = bytes[16];
    h.Descriptor = bytes[17];

    const bool rle = h.ImageType >= 9;
    const int baseType = rle ? h.ImageType - 8 : h.ImageType;
    if (baseType < 1 || baseType > 3 || (h.ImageType > 3 && h.ImageType < 9) || h.ImageType > 11)
        return invalid();
    if (h.Depth != 1 && h.Depth != 8 && h.Depth != 16 && h.Depth != 24 && h.Depth != 32)
        return invalid();
    if (h.Width == 0 || h.Height == 0)
        return invalid();

    size_t pos = 18 + size_t(h.IdLength);
    // Working palette, 6 bits per channel.
    std::array<TRgb6, 256> palette{};
    if (h.Depth == 1)
        palette[1] = {63, 63, 63};
    else
        for (int i = 0; i < 256; ++i)
        {
            const uint8_t g = uint8_t(i * 63 / 255);
            palette[size_t(i)] = {g, g, g};
        }
    if (h.ColourMapType == 1)
    {
        const size_t entryBytes = (size_t(h.MapEntrySize) + 7) / 8;
        if (h.MapEntrySize != 15 && h.MapEntrySize != 16 && h.MapEntrySize != 24 &&
            h.MapEntrySize != 32)
            return invalid();
        if (pos > size || size_t(h.MapLength) * entryBytes > size - pos)
            return invalid();
        for (size_t i = 0; i < h.MapLength; ++i)
        {
            const size_t index = size_t(h.MapStart) + i;
            const uint8_t* e = bytes + pos + i * entryBytes;
            if (index >= 256)
                continue;
            if (entryBytes == 2)
            {
                const uint16_t p = Le16(e);
                palette[index] = {uint8_t(((p >> 10) & 31) * 2), uint8_t(((p >> 5) & 31) * 2),
                                  uint8_t((p & 31) * 2)};
            }
            else
                palette[index] = {uint8_t(e[2] >> 2), uint8_t(e[1] >> 2), uint8_t(e[0] >> 2)};
        }
        pos += size_t(h.MapLength) * entryBytes;
    }
    else if (h.ColourMapType != 0)
        return invalid();
    if (pos > size)
        return invalid();

    // The pixel data: units of whole bytes (a 1-bit image is handled by the byte).
    const int width = h.Width, height = h.Height;
    const size_t unit = h.Depth == 1 ? 1 : size_t(h.Depth) / 8;
    const size_t rowUnits = h.Depth == 1 ? (size_t(width) + 7) / 8 : size_t(width);
    const size_t totalUnits = rowUnits * size_t(height);
    // Nothing decodes to more than a run-length packet can give from the bytes present.
    if (totalUnits * unit > (size - pos) * 128 + 1024)
        return invalid();

    std::vector<uint8_t> raw(totalUnits * unit, 0);
    if (!rle)
    {
        const size_t n = std::min(raw.size(), size - pos);
        if (n)
            std::memcpy(raw.data(), bytes + pos, n);
    }
    else
    {
        size_t out = 0;
        while (out < totalUnits && pos < size)
        {
            const uint8_t packet = bytes[pos++];
            const size_t count = std::min<size_t>((packet & 127) + 1, totalUnits - out);
            if (packet & 128)
            {
                if (unit > size - pos)
                    break;
                for (size_t k = 0; k < count; ++k)
                    std::memcpy(raw.data() + (out + k) * unit, bytes + pos, unit);
                pos += unit;
                out += count;
            }
            else
            {
                const size_t avail = (size - pos) / unit;
                const size_t n = std::min(count, avail);
                if (n)
                    std::memcpy(raw.data() + out * unit, bytes + pos, n * unit);
                pos += ((packet & 127) + 1) * unit;
                out += n;
                if (n < count)
                    break;
            }
        }
    }

    const bool paletted = h.Depth <= 8;
    const bool topDown = h.Descriptor & 0x20;
    const bool mirrored = h.Descriptor & 0x10;
    QImage::Format format;
    if (mode == tmEight)
        format = QImage::Format_Indexed8;
    else if (mode == tmTrue)
        format = QImage::Format_BGR888;
    else
        format = h.Depth == 1    ? QImage::Format_Mono
                 : h.Depth == 8  ? QImage::Format_Indexed8
                 : h.Depth == 32 ? QImage::Format_ARGB32
                                 : QImage::Format_BGR888;
    QImage image(width, height, format);
    if (image.isNull())
        return invalid();
    image.fill(0);
    if (format == QImage::Format_Mono)
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    else if (format == QImage::Format_Indexed8)
    {
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i)
        {
            if (paletted)
            {
                const TRgb6& p = palette[size_t(i)];
                table.push_back(qRgb(p.R * 4, p.G * 4, p.B * 4));
            }
            else
                // True colour delivered as grey indices: a grey ramp shows them as they are.
                table.push_back(qRgb(i, i, i));
        }
        image.setColorTable(table);
    }

    for (int fy = 0; fy < height; ++fy)
    {
        const int y = topDown ? fy : height - 1 - fy;
        uint8_t* line = image.scanLine(y);
        const uint8_t* src = raw.data() + size_t(fy) * rowUnits * unit;
        for (int fx = 0; fx < width; ++fx)
        {
            const int x = mirrored ? width - 1 - fx : fx;
            int r = 0, g = 0, b = 0, a = 255, index = 0;
            if (h.Depth == 1)
                index = (src[fx / 8] >> (7 - fx % 8)) & 1;
            else if (h.Depth == 8)
                index = src[fx];
            else if (h.Depth == 16)
            {
                const uint16_t p = Le16(src + 2 * size_t(fx));
                r = ((p >> 10) & 31) * 8;
                g = ((p >> 5) & 31) * 8;
                b = (p & 31) * 8;
            }
            else
            {
                const uint8_t* p = src + unit * size_t(fx);
                b = p[0], g = p[1], r = p[2];
                if (h.Depth == 32)
                    a = p[3];
            }
            switch (format)
            {
            case QImage::Format_Mono:
                if (index)
                    line[x / 8] |= uint8_t(0x80 >> (x % 8));
                break;
            case QImage::Format_Indexed8:
                line[x] = paletted ? uint8_t(index) : GreyIndex(r, g, b);
                break;
            case QImage::Format_ARGB32:
            {
                const uint32_t v =
                    uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
                std::memcpy(line + 4 * size_t(x), &v, 4);
                break;
            }
            default: // BGR888
                if (paletted)
                {
                    const TRgb6& p = palette[size_t(index)];
                    r = p.R * 4 + 3, g = p.G * 4 + 3, b = p.B * 4 + 3;
                }
                line[3 * x] = uint8_t(b);
                line[3 * x + 1] = uint8_t(g);
                line[3 * x + 2] = uint8_t(r);
                break;
            }
        }
    }
    bitmap = std::move(image);
    return true;
}

std::vector<uint8_t> TVellqTarga::Encode(const QImage& source, int depth)
{
    if (source.isNull())
        return {};
    QImage image;
    if (depth == td16)
        image = source.convertToFormat(QImage::Format_RGB555);
    else if (depth == td24)
        image = source.convertToFormat(QImage::Format_BGR888);
    else
        switch (source.format())
        {
        case QImage::Format_Mono:
        case QImage::Format_Indexed8:
        case QImage::Format_RGB555:
        case QImage::Format_BGR888:
        case QImage::Format_ARGB32:
            image = source;
            break;
        case QImage::Format_MonoLSB:
            image = source.convertToFormat(QImage::Format_Mono);
            break;
        case QImage::Format_Grayscale8:
            image = source.convertToFormat(QImage::Format_Indexed8);
            break;
        case QImage::Format_RGB16:
        case QImage::Format_RGB444:
        case QImage::Format_ARGB4444_Premultiplied:
            image = source.convertToFormat(QImage::Format_RGB555);
            break;
        case QImage::Format_RGB888:
        case QImage::Format_RGB666:
            image = source.convertToFormat(QImage::Format_BGR888);
            break;
        default:
            image = source.convertToFormat(QImage::Format_ARGB32);
            break;
        }
    if (image.isNull())
        return {};
    const int width = image.width(), height = image.height();
    if (width > 65535 || height > 65535)
        return {};
    int bits = 0;
    switch (image.format())
    {
    case QImage::Format_Mono:
        bits = 1;
        break;
    case QImage::Format_Indexed8:
        bits = 8;
        break;
    case QImage::Format_RGB555:
        bits = 16;
        break;
    case QImage::Format_BGR888:
        bits = 24;
        break;
    default:
        bits = 32;
        break;
    }

    std::vector<uint8_t> out(18, 0);
    out[2] = bits == 8 ? 1 : 2;
    if (bits == 8)
    {
        out[1] = 1;
        out[5] = 0; // 256 entries from 0
        out[6] = 1;
        out[7] = 24;
    }
    out[12] = uint8_t(width), out[13] = uint8_t(width >> 8);
    out[14] = uint8_t(height), out[15] = uint8_t(height >> 8);
    out[16] = uint8_t(bits);
    if (bits == 8)
    {
        const QList<QRgb> table = image.colorTable();
        for (int i = 0; i < 256; ++i)
        {
            const QRgb c = i < table.size() ? table[i] : 0;
            // Six bits per channel, expanded again to eight.
            auto channel = [](int v) { return uint8_t((v >> 2) * 255 / 63); };
            out.push_back(channel(qBlue(c)));
            out.push_back(channel(qGreen(c)));
            out.push_back(channel(qRed(c)));
        }
    }
    const size_t rowBytes = bits == 1 ? (size_t(width) + 7) / 8 : size_t(width) * size_t(bits / 8);
    for (int y = height - 1; y >= 0; --y)
    {
        const uint8_t* line = image.constScanLine(y);
        out.insert(out.end(), line, line + rowBytes);
    }
    static const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    out.insert(out.end(), footer, footer + 26); // includes the closing zero byte
    return out;
}

bool TVellqTarga::SaveToFile(const std::string& fileName, const QImage& bitmap, int depth)
{
    const std::vector<uint8_t> bytes = Encode(bitmap, depth);
    if (bytes.empty())
        return false;
    WriteFileAtomically(fileName, bytes.data(), bytes.size());
    return true;
}
