#pragma once

#include <QFontMetrics>
#include <QString>
#include <string>

// The path with middle folders replaced by "..." so that it fits width pixels in a font.
QString ShortenPathToWidth(const std::string& path, const QFontMetrics& metrics, int width);
