#include "TextSource.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 ChunkBytes = 1 << 15;

// Windows-1252's characters for the bytes 0x80-0x9F; the other bytes are Latin-1.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = b >= 0x80 && b < 0xA0 ? QChar(Windows1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

bool invisible(char16_t c)
{
    return c == 0xFEFF || (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r');
}

// Takes out what no logbook's text holds and what would let one text pass for another: U+FEFF,
// NUL and the other control characters but tab and line ends. True when a control character
// was taken out.
bool dropInvisible(QString& text)
{
    // Most texts hold none: found without writing (or detaching) anything, four characters at
    // a time while they are all between U+0020 and U+7FFF (U+FEFF is above).
    const QChar* start = text.constData();
    const qsizetype size = text.size();
    qsizetype first = 0;
    for (;;) {
        for (; first + 4 <= size; first += 4) {
            quint64 four = 0;
            std::memcpy(&four, start + first, sizeof four);
            constexpr quint64 Space = 0x0020002000200020, High = 0x8000800080008000;
            if (((four - Space) | four) & High) // some character below U+0020 or above U+7FFF
                break;
        }
        // That block (a line end, say) or the last few characters, one at a time.
        const qsizetype stop = std::min(first + 4, size);
        while (first < stop && !invisible(start[first].unicode()))
            ++first;
        if (first < stop || first == size)
            break;
    }
    if (first == size)
        return false;
    bool controls = false;
    qsizetype kept = first;
    QChar* chars = text.data();
    for (qsizetype i = first; i < size; ++i) {
        const char16_t c = chars[i].unicode();
        if (c == 0xFEFF)
            continue;
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') {
            controls = true;
            continue;
        }
        chars[kept++] = chars[i];
    }
    text.truncate(kept);
    return controls;
}

} // namespace

TextSource::TextSource(QIODevice& device) : device_(&device)
{
    const QByteArray start = device.peek(3);
    qint64 skip = 0;
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")) {
        const bool little = start.startsWith("\xFF\xFE");
        decoder_ = QStringDecoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        encoding_ = QStringLiteral("UTF-16");
        skip = 2;
    } else {
        decoder_ = QStringDecoder(QStringDecoder::Utf8);
        if (start.startsWith("\xEF\xBB\xBF"))
            skip = 3;
        if (device.isSequential()) {
            checkAsRead_ = true;
        } else {
            // One pass over the bytes to learn whether they are UTF-8 before any is read.
            const qint64 origin = device.pos();
            QStringDecoder check(QStringDecoder::Utf8);
            for (;;) {
                const QByteArray chunk = device.read(ChunkBytes);
                if (chunk.isEmpty())
                    break;
                const QString ignored = check(chunk);
                if (check.hasError()) {
                    windows1252_ = true;
                    break;
                }
            }
            device.seek(origin);
        }
    }
    if (skip > 0)
        device.read(skip);
    if (windows1252_)
        encoding_ = QStringLiteral("Windows-1252");
    const QByteArray first = device.peek(8192);
    if (windows1252_) {
        head_ = fromWindows1252(first);
    } else {
        QStringDecoder headDecoder(
            encoding_ == QLatin1String("UTF-16")
                ? (start.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE)
                : QStringDecoder::Utf8);
        head_ = headDecoder(first);
    }
    dropInvisible(head_);
}

TextSource::TextSource(const QString& text) : buffer_(text)
{
    controlsDropped_ = dropInvisible(buffer_);
}

QString TextSource::decode(const QByteArray& bytes)
{
    if (windows1252_)
        return fromWindows1252(bytes);
    QString text = decoder_(bytes);
    if (checkAsRead_ && decoder_.hasError()) {
        // Learnt late on a stream: the rest is read as Windows-1252.
        windows1252_ = true;
        encoding_ = QStringLiteral("Windows-1252");
        return fromWindows1252(bytes);
    }
    return text;
}

bool TextSource::fill()
{
    if (!device_)
        return false;
    buffer_.clear();
    pos_ = 0;
    while (buffer_.isEmpty()) {
        const QByteArray bytes = device_->read(ChunkBytes);
        if (bytes.isEmpty())
            return false;
        buffer_ = decode(bytes);
        controlsDropped_ = dropInvisible(buffer_) || controlsDropped_;
    }
    return true;
}
