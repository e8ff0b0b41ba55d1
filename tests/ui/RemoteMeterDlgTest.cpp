// The window on meters a zorvane-share serves on loopback, as `zorvane
// --resource NAME` opens it, and the same window without a name.
#include <gtest/gtest.h>

#include <QLabel>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DialogOnSimulatedMeter.h"
#include "support/NetworkNamespace.h"
#include "support/RunTexts.h"
#include "support/ShareServerProcess.h"
#include "ui/Latin1Text.h"

namespace {

// inst0 measures DC volts, inst1 AC volts; the window's process has no
// simulated meter of its own unless a test gives it one.
const char* const kServedMeters =
    "USB0::0x7A5E::0x0C46::SIM0001::INSTR=dcv,instant;USB0::0x7A5E::0x0C46::SIM0002::INSTR=acv";

class RemoteMeterDlgTest : public DialogOnSimulatedMeter {
protected:
    void SetUp() override {
        SKIP_WITHOUT_NETWORK_NAMESPACE();
        DialogOnSimulatedMeter::SetUp();
        unsetenv("ZVISA_SIM");
        server_ = std::make_unique<ShareServerProcess>(ZORVANE_SHARE_PATH, kServedMeters);
        ASSERT_TRUE(server_->IsListening()) << "zorvane-share did not start";
    }

    std::unique_ptr<ShareServerProcess> server_;
};

struct RemoteCase {
    std::string resource;
    std::string identityStart;  // of the identity line; empty: the run shows none
    std::size_t readings;
    QStringList messages;
};

// The run decides on the remote meter's FUNC? reply as on a USB one; the
// name shows only as the identity line's tooltip, never in the caption.
TEST_F(RemoteMeterDlgTest, RunsOnTheNamedMeterAndShowsItsNameAsTooltip) {
    const QString function = QString::fromStdString(RunTexts::kFunctionMessage);
    for (const RemoteCase& c : std::vector<RemoteCase>{
             {"TCPIP0::127.0.0.1::inst0::INSTR", "ZORVANE SIM,DMM-SIM,SIM0001,1.0", kBurst, {}},
             {"TCPIP::127.0.0.1::inst1::INSTR", "ZORVANE SIM,DMM-SIM,SIM0002,1.0", 0, {function}},
             {"TCPIP0::127.0.0.1::inst9::INSTR", "", 0, {"Open instrument failed."}},
         }) {
        SCOPED_TRACE(c.resource);
        dlg_ = std::make_unique<CMeterDlg>();
        dlg_->SetResource(c.resource);
        const qsizetype shownBefore = dialogs_.Texts().size();
        dlg_->OnOK();
        EXPECT_EQ(dialogs_.Texts().mid(shownBefore), c.messages);
        EXPECT_EQ(dlg_->Latest().Record().ReadingCount(), c.readings);
        const QString identity = dlg_->IdentityLabel().text();
        EXPECT_TRUE(c.identityStart.empty() ? identity.isEmpty()
                                            : identity.startsWith(Latin1Text(c.identityStart)))
            << identity.toStdString();
        EXPECT_EQ(dlg_->IdentityLabel().toolTip(), Latin1Text(c.resource));
        EXPECT_EQ(dlg_->windowTitle(), "Zorvane");
    }
}

// Without a name the window runs on the first meter found, as it always has,
// and has no tooltip, though a server offers meters on the same machine.
TEST_F(RemoteMeterDlgTest, WithoutANameRunsTheFirstMeterFound) {
    Run(kFullRun);
    EXPECT_EQ(dialogs_.Texts(), QStringList());
    EXPECT_EQ(dlg_->Latest().Record().ReadingCount(), static_cast<std::size_t>(kBurst));
    EXPECT_TRUE(dlg_->IdentityLabel().text().startsWith("ZORVANE SIM,DMM-SIM,SIM0001,1.0"));
    EXPECT_EQ(dlg_->IdentityLabel().toolTip(), QString());
    EXPECT_EQ(dlg_->Resource(), "");
    EXPECT_EQ(dlg_->windowTitle(), "Zorvane");
}

}  // namespace
