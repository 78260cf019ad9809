#include "capture/RecordingSaveDialog.h"

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/Clock.h"
#include "resources/StringIds.h"

#include <QFileDialog>
#include <QStringList>

#include <cstring>
#include <ctime>
#include <filesystem>

namespace {

std::string FromQt(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString ToQt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dialog asks about the name as typed; the file written has the format's extension, so a
// different existing file is asked about here.
bool MayReplace(AppState& app, const std::string& typed, const std::string& written)
{
    std::error_code ec;
    if (typed == written || !std::filesystem::exists(written, ec)) return true;
    const std::string text = FormatLangString(app, StringId::ReplaceQuestion,
                                              {std::filesystem::path(written).filename().string()});
    return app.ui->MessageBox(text, LoadLangString(app, StringId::AppName), MsgIcon::Exclamation,
                              MsgButtons::YesNo, MsgAnswer::No) == MsgAnswer::Yes;
}

} // namespace

Bitmap24 ImageToBitmap24(const QImage& image)
{
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    Bitmap24 bitmap{bgr.width(), bgr.height(), {}};
    const std::size_t stride = static_cast<std::size_t>((3 * bitmap.width + 3) / 4 * 4);
    bitmap.bottomUpRows.assign(stride * static_cast<std::size_t>(bitmap.height), 0);
    for (int y = 0; y < bitmap.height; ++y) {
        std::memcpy(bitmap.bottomUpRows.data() + static_cast<std::size_t>(bitmap.height - 1 - y) * stride,
                    bgr.constScanLine(y), static_cast<std::size_t>(3 * bitmap.width));
    }
    return bitmap;
}

bool SaveRecording(AppState& app, QWidget* parent, std::string& saveFolder, const RecordingSnapshot& snapshot,
                   const QImage& graph)
{
    const std::time_t now = app.clock->WallTime();
    const std::string defaultName = DefaultRecordingName(app, now);

    QStringList filters;
    for (const std::string& filter : SaveDialogFilters(LoadLangString(app, StringId::RecordingFilter))) {
        filters << ToQt(filter);
    }
    QFileDialog dialog(parent, QString(), ToQt(saveFolder));
    dialog.setObjectName(QStringLiteral("recordingSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(filters);
    dialog.selectFile(ToQt(defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;

    const std::string chosen = FromQt(dialog.selectedFiles().first());
    const RecordingFormat format =
        filters.indexOf(dialog.selectedNameFilter()) == 1 ? RecordingFormat::Report : RecordingFormat::Csv;
    const SaveTarget target = SplitSavePath(chosen);
    saveFolder = target.folder;
    const std::string written =
        target.folder + target.baseName + (format == RecordingFormat::Csv ? ".csv" : ".html");
    if (!MayReplace(app, chosen, written)) return false;

    WaitCursor wait(*app.ui);
    return SaveRecordingFiles(app, format, target, SaveDataOf(app, snapshot), ImageToBitmap24(graph));
}
