#include "CtlRecordOutput.h"

#include <iostream>

#include "capture/CaptureRecorder.h"
#include "capture/RasterCanvas.h"
#include "capture/RecordingSave.h"

void AddRecordOutputOptions(CLI::App& record, RecordOutputs& outputs)
{
    record.add_option("--csv", outputs.csvPath,
                      "write the recording as CSV to this file when it ends; - writes it to standard output");
    record.add_option("--report", outputs.reportPath,
                      "write the recording as an HTML report from the template to this file (its extension "
                      "becomes .html), with the graph as a JPEG beside it (spaces in the name become _)");
}

bool WriteRecordOutputs(AppState& app, CaptureRecorder& recorder, const RecordOutputs& outputs)
{
    const RecordingSaveData data = SaveDataOf(app, recorder.Snapshot());
    bool written = true;
    if (outputs.csvPath == "-") {
        WriteRecordingCsv(std::cout, data);
        std::cout.flush();
        written = written && static_cast<bool>(std::cout);
    } else if (!outputs.csvPath.empty()) {
        written = WriteRecordingCsvFile(app, outputs.csvPath, data) && written;
    }
    if (!outputs.reportPath.empty()) {
        const Bitmap24 picture = DrawGraphPicture(recorder.Graph(), recorder.Samples(),
                                                  recorder.SampleCount(), recorder.IntervalTicks());
        written = SaveRecordingFiles(app, RecordingFormat::Report, SplitSavePath(outputs.reportPath), data,
                                     picture) &&
                  written;
    }
    return written;
}
