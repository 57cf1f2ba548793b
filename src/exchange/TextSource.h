#pragma once

#include <QIODevice>
#include <QString>
#include <QStringDecoder>

// The characters of a device, decoded as its bytes show: UTF-16 with a byte order mark,
// UTF-8, or Windows-1252 when the bytes are not valid UTF-8. U+FEFF, NUL and the other control
// characters but tab and line ends are dropped wherever they are: invisible, they would let one
// registration pass for another.
class TextSource
{
public:
    explicit TextSource(QIODevice& device);
    explicit TextSource(const QString& text);

    bool atEnd() { return pos_ == buffer_.size() && !fill(); }
    QChar peek() const { return buffer_[pos_]; } // only after atEnd() said false
    QChar get() { return buffer_.at(pos_++); }
    // The characters decoded and not yet taken (empty at the end), and taking n of them.
    QStringView rest() const { return QStringView(buffer_).sliced(pos_); }
    void skip(qsizetype n) { pos_ += n; }

    QString encoding() const { return encoding_; }
    QString head() const { return head_; } // the first few KB, for detection
    qint64 bytesDone() const { return device_ ? device_->pos() : 0; }
    qint64 bytesTotal() const { return device_ && !device_->isSequential() ? device_->size() : 0; }
    bool controlsDropped() const { return controlsDropped_; }

private:
    bool fill();
    QString decode(const QByteArray& bytes);

    QIODevice* device_ = nullptr;
    QString buffer_;
    qsizetype pos_ = 0;
    QString encoding_ = QStringLiteral("UTF-8");
    QStringDecoder decoder_;
    bool windows1252_ = false;
    bool checkAsRead_ = false; // sequential devices: validity is learnt chunk by chunk
    bool controlsDropped_ = false;
    QString head_;
};
