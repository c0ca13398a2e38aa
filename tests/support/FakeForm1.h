#pragma once
// The main window's controls as recording fakes sharing one log.
#include "Form1Controls.h"
#include "Recorder.h"

#include <array>
#include <memory>

namespace corvane::test {

struct FakeForm1 {
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    RecordingDispatch MMControl1{"MMControl1", log};
    RecordingDispatch CommonDialog1{"CommonDialog1", log};
    RecordingDispatch Slider1{"Slider1", log};
    RecordingDispatch ShockwaveFlash1{"ShockwaveFlash1", log};
    std::array<std::unique_ptr<RecordingDispatch>, 6> Command;
    std::array<std::unique_ptr<RecordingDispatch>, 7> CommandSCE;
    RecordingCheckBox Check1{"Check1", log};
    RecordingCheckBox Check2{"Check2", log};
    Form1Controls controls;

    FakeForm1() : controls{MMControl1, CommonDialog1, Slider1, ShockwaveFlash1, {}, {}, Check1, Check2}
    {
        for (int i = 0; i < 6; ++i) {
            Command[i] = std::make_unique<RecordingDispatch>(QStringLiteral("Command%1").arg(i + 1), log);
            controls.Command[i] = Command[i].get();
        }
        for (int i = 0; i < 7; ++i) {
            CommandSCE[i] = std::make_unique<RecordingDispatch>(QStringLiteral("CommandSCE%1").arg(i + 1), log);
            controls.CommandSCE[i] = CommandSCE[i].get();
        }
    }

    // The dialog answers this name when asked.
    void chooses(const QString& name) { CommonDialog1.setAnswer(1, name); }
    QStringList calls() const { return toStrings(*log); }
};

}  // namespace corvane::test
