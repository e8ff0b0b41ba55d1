#include "run/MeasurementRun.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "instrument/InstrumentLink.h"
#include "instrument/ScopedViSession.h"
#include "run/ReadingBlock.h"
#include "run/RunBuffer.h"
#include "run/RunOutput.h"
#include "run/RunRecord.h"
#include "run/RunSeams.h"

namespace {

constexpr ViAttrState kTimeoutMs = 7000;
constexpr std::size_t kCommandBufferSize = 20;
// 50000 readings of 4 bytes behind the "#6200000" header, with room to spare.
constexpr std::size_t kReceiveBufferSize = 210000;
constexpr ViUInt32 kIdentityReplyMax = 60;
constexpr ViUInt32 kFunctionReplyMax = 20;
constexpr const char* kSampleCountCommand = "SAMPLE:COUNT 50000\n";
constexpr std::size_t kSampleCount = 50000;  // the burst kSampleCountCommand asks for

// What the steps after opening the meter share.
struct RunContext {
    RunOutput& out;
    InstrumentLink& link;
    const RunSeams& seams;
    ViSession instr;
    RunBuffer& command;
    RunBuffer& receive;
};

// Copies `text` with its terminating zero into the command buffer and writes
// it without the zero.
void SendCommand(RunContext& run, const std::string& text) {
    const std::size_t size = std::min(text.size(), run.command.Size() - 1);
    std::memcpy(run.command.Data(), text.data(), size);
    run.command.Data()[size] = '\0';
    ViUInt32 written = 0;
    run.link.Write(run.instr, run.command.Data(), static_cast<ViUInt32>(size), &written);
}

// The command as it now stands in the command buffer.
std::string CommandBufferText(RunContext& run) {
    return std::string(reinterpret_cast<const char*>(run.command.Data()));
}

// Reads at most `maxBytes` into the receive buffer. A failed or timed-out read
// still delivers what arrived; a link that claims more than asked is capped.
std::size_t ReadReply(RunContext& run, ViUInt32 maxBytes) {
    ViUInt32 delivered = 0;
    run.link.Read(run.instr, run.receive.Data(), maxBytes, &delivered);
    return std::min(delivered, maxBytes);
}

// The delivered bytes as text, ending early at a zero byte.
std::string ReplyText(const unsigned char* data, std::size_t delivered) {
    const char* text = reinterpret_cast<const char*>(data);
    return std::string(text, strnlen(text, delivered));
}

std::string Query(RunContext& run, const std::string& command, ViUInt32 maxReply) {
    SendCommand(run, command);
    const std::size_t delivered = ReadReply(run, maxReply);
    return ReplyText(run.receive.Data(), delivered);
}

bool FoundAfterStart(const std::string& text, const char* pattern) {
    const std::size_t position = text.find(pattern);
    return position != std::string::npos && position >= 1;
}

// "VOLT:" or "CURR:" for a DC volts or DC current reply to "FUNC?", which
// quotes the function name; empty for anything else.
std::string FunctionPrefix(const std::string& functionText) {
    if (FoundAfterStart(functionText, "VOLT\"")) {
        return "VOLT:";
    }
    if (FoundAfterStart(functionText, "CURR\"")) {
        return "CURR:";
    }
    return std::string();
}

void SendAndLog(RunContext& run, const std::string& command) {
    SendCommand(run, command);
    run.out.AddLogRow(run.seams.timeOfDay(), CommandBufferText(run));
}

void ConfigureBurst(RunContext& run, const std::string& prefix) {
    SendAndLog(run, prefix + "NPLC 0.001\n");
    SendAndLog(run, prefix + "RANGE:AUTO 0\n");
    SendAndLog(run, "TRIGGER:DELAY 0\n");
    SendAndLog(run, kSampleCountCommand);
}

// Sends "DR?" and reads its whole block with one read, timed. The command is
// logged before it goes out so the log is complete while the meter is busy.
std::size_t FetchTimedBlock(RunContext& run) {
    const std::string command = "DR?\n";
    std::memcpy(run.command.Data(), command.c_str(), command.size() + 1);
    run.out.AddLogRow(run.seams.timeOfDay(), CommandBufferText(run));
    run.out.PumpMessages();

    const long long start = run.seams.elapsedMs();
    ViUInt32 written = 0;
    run.link.Write(run.instr, run.command.Data(), static_cast<ViUInt32>(command.size()), &written);
    const std::size_t blockLength = ReadReply(run, static_cast<ViUInt32>(run.receive.Size()));
    const long long end = run.seams.elapsedMs();

    run.out.ShowTotalTime(end - start);
    run.out.PumpMessages();
    return blockLength;
}

std::string ShortBlockMessage(std::size_t received, std::size_t announced) {
    return "Only " + std::to_string(received) + " of " + std::to_string(announced) +
           " readings were received.";
}

// A reply with no block header (a meter that went away, a "DR?" that never
// arrived) promised nothing, so the whole burst the run asked for is missing.
std::size_t ExpectedReadings(const ReadingBlock& block) {
    return block.announced > 0 ? block.announced : kSampleCount;
}

void ShowReadings(RunContext& run, const ReadingBlock& block) {
    run.out.StartReadings(block.Received());
    for (std::size_t k = 0; k < block.Received(); ++k) {
        run.out.PumpMessages();
        run.out.ShowReading(k, block.values[k]);
    }
    const std::size_t expected = ExpectedReadings(block);
    if (expected > block.Received()) {
        run.out.ShowMessage(ShortBlockMessage(block.Received(), expected));
    }
}

// Everything after the sessions and buffers are in place. Returns false when
// the meter is not set to DC volts or DC current.
bool MeasureWithMeter(RunContext& run) {
    run.out.ShowIdentity(Query(run, "*idn?\n", kIdentityReplyMax));
    const std::string prefix = FunctionPrefix(Query(run, "FUNC?\n", kFunctionReplyMax));
    if (prefix.empty()) {
        run.out.ShowMessage(
            "Please set the function(DCV or DCI).\n And click the \" Measurement\" button ");
        return false;
    }
    ConfigureBurst(run, prefix);
    const std::size_t blockLength = FetchTimedBlock(run);
    SendCommand(run, kSampleCountCommand);
    ShowReadings(run, DecodeReadingBlock(run.receive.Data(), blockLength));
    return true;
}

// Opens the first meter found. Returns false after showing why it could not.
bool OpenMeter(RunOutput& out, InstrumentLink& link, ScopedViSession& rm, ScopedViSession& instr) {
    ViSession rmHandle = VI_NULL;
    if (link.OpenDefaultRM(&rmHandle) < VI_SUCCESS) {
        out.ShowMessage("Open resource manager failed.");
        return false;
    }
    rm.Adopt(rmHandle);

    ViChar descriptor[VI_FIND_BUFLEN] = {};
    if (link.FindRsrc(rm.Handle(), kMeterResourceExpression, descriptor) < VI_SUCCESS) {
        rm.Close();
        out.ShowMessage("Find resource manager failed.");
        return false;
    }
    descriptor[VI_FIND_BUFLEN - 1] = '\0';

    ViSession instrHandle = VI_NULL;
    if (link.Open(rm.Handle(), descriptor, &instrHandle) < VI_SUCCESS) {
        out.ShowMessage("Open instrument failed.");
        rm.Close();
        return false;
    }
    instr.Adopt(instrHandle);
    link.SetAttribute(instr.Handle(), VI_ATTR_TMO_VALUE, kTimeoutMs);
    return true;
}

void CloseSessions(ScopedViSession& instr, ScopedViSession& rm) {
    instr.Close();
    rm.Close();
}

}  // namespace

void RunMeasurement(MeterWindow& window, RunRecord& record, InstrumentLink& link,
                    const RunSeams& seams) {
    RunOutput out(window, record);
    out.ResetCommandLog();
    // Declared before the buffers, so on any early return the buffers go back
    // only after the sessions are closed, instrument before resource manager.
    ScopedViSession rm(link);
    ScopedViSession instr(link);
    if (!OpenMeter(out, link, rm, instr)) {
        return;
    }

    RunBuffer command(seams, kCommandBufferSize);
    if (!command.IsAllocated()) {
        out.ShowMessage("Insufficient memory available (viWrite).");
        CloseSessions(instr, rm);
        return;
    }
    RunBuffer receive(seams, kReceiveBufferSize);
    if (!receive.IsAllocated()) {
        out.ShowMessage("Insufficient memory available (viRead).");
        CloseSessions(instr, rm);
        return;
    }

    RunContext run{out, link, seams, instr.Handle(), command, receive};
    if (MeasureWithMeter(run)) {
        command.Release();
        receive.Release();
        CloseSessions(instr, rm);
    } else {
        CloseSessions(instr, rm);
        command.Release();
        receive.Release();
    }
}

void RunMeasurement(MeterWindow& window, RunRecord& record) {
    InstrumentLink link;
    RunMeasurement(window, record, link, RealRunSeams());
}

void RunMeasurement(MeterWindow& window, RunRecord& record, const std::string& resource) {
    InstrumentLink link(resource);
    RunMeasurement(window, record, link, RealRunSeams());
}
