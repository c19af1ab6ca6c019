#pragma once

#include <QCursor>
#include <QString>
#include <optional>

// Reads a Windows cursor file (.cur) into a cursor with the hotspot stored in its header, which Qt's
// image readers do not report. Empty when the file is missing or not a cursor.
std::optional<QCursor> LoadCursorFile(const QString& path);
