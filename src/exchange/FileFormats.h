#pragma once

#include <QString>
#include <QVector>

class FileBuilder;

// One readable format: a name for --format, a test on the file's first line, and its reader.
struct FileFormat
{
    const char* name;
    bool (*detect)(const QString& firstLine); // the first non-blank line, quotes removed
    void (*read)(FileBuilder& builder);       // reads the builder's source to its end
};

// Every format, in the order detection tries them.
const QVector<FileFormat>& FileFormats();

// Litres in one unit of fuel.
inline constexpr double LitresPerUsGallon = 3.785411784;
inline constexpr double LitresPerImperialGallon = 4.54609;
inline constexpr double KilometresPerMile = 1.609344;
