#include "FileFormats.h"

#include "Formats.h"

const QVector<FileFormat>& FileFormats()
{
    static const QVector<FileFormat> formats = {KelmotFormat, FuelioFormat,       ACarFormat,
                                                FuellyFormat, SpritmonitorFormat, LubeLoggerFormat,
                                                DrivvoFormat};
    return formats;
}
