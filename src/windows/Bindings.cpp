#include "Bindings.h"

#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "Monitoring.h"
#include "Opening.h"
#include "SecondaryWindows.h"
#include "Transport.h"

#include <array>
#include <QCoreApplication>
#include <string_view>

namespace corvane {

namespace {

using namespace dispid;

template <int KindIndex>
void openKind(Form1& f, const Args&)
{
    openAndPlay(f.controls(), kMediaKinds[KindIndex]);
}

template <void (*H)(Form1Controls&)>
void on(Form1& f, const Args&)
{
    H(f.controls());
}

// The web engine starts while the dialog is open, from before the opening
// shows it; the opening itself only hands over the chosen movie.
void flashOpen(Form1& f, const Args&)
{
    f.flashPlayer().warmUp();
    openFlash(f.controls());
}
void statusUpdate(Form1& f, const Args&) { monitoring::statusUpdate(f.controls()); }
void done(Form1& f, const Args& args) { monitoring::done(f.controls(), args); }
void help(Form1& f, const Args&) { f.secondary().showHelp(); }
void former(Form1& f, const Args&) { f.secondary().showFormats(); }
void about(Form1& f, const Args&) { f.secondary().showAbout(); }
// Ends the program at once, every window with it, asking nothing.
void exitProgram(Form1&, const Args&) { QCoreApplication::exit(0); }

static_assert(std::string_view(kMediaKinds[0].name) == "video" && std::string_view(kMediaKinds[1].name) == "audio"
              && std::string_view(kMediaKinds[2].name) == "media" && std::string_view(kMediaKinds[3].name) == "movie"
              && std::string_view(kMediaKinds[4].name) == "midi");
constexpr std::array kBindings{
        Binding{"Command1", Click, openKind<0>},
        Binding{"video", Click, openKind<0>},
        Binding{"Command2", Click, openKind<1>},
        Binding{"audio", Click, openKind<1>},
        Binding{"Command3", Click, openKind<2>},
        Binding{"media", Click, openKind<2>},
        Binding{"Command4", Click, openKind<3>},
        Binding{"movie", Click, openKind<3>},
        Binding{"Command5", Click, openKind<4>},
        Binding{"midi", Click, openKind<4>},
        Binding{"Command6", Click, flashOpen},
        Binding{"flash", Click, flashOpen},
        Binding{"CommandSCE1", Click, on<transport::toStartAndPlay>},
        Binding{"CommandSCE2", Click, on<transport::play>},
        Binding{"CommandSCE3", Click, on<transport::pause>},
        Binding{"CommandSCE4", Click, on<transport::stepBack>},
        Binding{"CommandSCE5", Click, on<transport::stepForward>},
        Binding{"CommandSCE6", Click, on<transport::next>},
        Binding{"CommandSCE7", Click, on<transport::stopToIdle>},
        Binding{"Check1", Click, on<transport::muteClicked>},
        Binding{"MMControl1", mci::Done, done},
        Binding{"MMControl1", mci::StatusUpdate, statusUpdate, true},
        Binding{"help", Click, help},
        Binding{"former", Click, former},
        Binding{"about", Click, about},
        Binding{"exit", Click, exitProgram},
};

}  // namespace

std::span<const Binding> bindings() { return kBindings; }

}  // namespace corvane
