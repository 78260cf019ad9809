#pragma once

#include "capture/RecordingSave.h"
#include "image/CJpegImage.h"

#include <QImage>

#include <string>

class QWidget;
struct AppState;

// A graph picture as the bottom-up rows the JPEG writer takes.
Bitmap24 ImageToBitmap24(const QImage& image);

// SAVE of the recording page: asks for a name (default name, folder saveFolder, filter 1 CSV and
// filter 2 the report, an overwrite asked about) and writes the chosen form. saveFolder becomes
// the chosen folder. A cancelled dialog writes nothing; failures show string 218. The recording
// itself is never changed. True when the chosen files were written.
bool SaveRecording(AppState& app, QWidget* parent, std::string& saveFolder, const RecordingSnapshot& snapshot,
                   const QImage& graph);
