#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vxi11/XdrReader.h"
#include "vxi11/XdrWriter.h"

// The VXI-11 core and abort channels' message layouts, codes and flags (VXIbus TCP/IP Instrument
// Protocol, ONC RPC programs 0x0607AF and 0x0607B0), as a client encodes calls and decodes
// replies and a server decodes calls and encodes replies. Every Decode returns the reader's Ok().
namespace zvisa::vxi11 {

constexpr std::uint32_t kCoreProgram = 0x0607AF;
constexpr std::uint32_t kAbortProgram = 0x0607B0;
constexpr std::uint32_t kInterruptProgram = 0x0607B1;
constexpr std::uint32_t kVxi11Version = 1;

enum CoreProc : std::uint32_t {
    kProcNull = 0,
    kCreateLink = 10,
    kDeviceWrite = 11,
    kDeviceRead = 12,
    kDeviceReadStb = 13,
    kDeviceTrigger = 14,
    kDeviceClear = 15,
    kDeviceRemote = 16,
    kDeviceLocal = 17,
    kDeviceLock = 18,
    kDeviceUnlock = 19,
    kDeviceEnableSrq = 20,
    kDeviceDocmd = 22,
    kDestroyLink = 23,
    kCreateIntrChan = 25,
    kDestroyIntrChan = 26,
};

// The abort channel's one procedure besides NULL.
constexpr std::uint32_t kDeviceAbort = 1;

// Device_Flags
constexpr std::uint32_t kFlagWaitLock = 0x01;
constexpr std::uint32_t kFlagEnd = 0x08;
constexpr std::uint32_t kFlagTermCharSet = 0x80;

// device_read's reason bits; 0 means more data follows and the client reads again.
constexpr std::int32_t kReasonRequestCount = 0x01;
constexpr std::int32_t kReasonTermChar = 0x02;
constexpr std::int32_t kReasonEnd = 0x04;

// Device_ErrorCode
enum DeviceError : std::int32_t {
    kErrNone = 0,
    kErrSyntax = 1,
    kErrNotAccessible = 3,
    kErrInvalidLinkId = 4,
    kErrParameter = 5,
    kErrChannelNotEstablished = 6,
    kErrNotSupported = 8,
    kErrOutOfResources = 9,
    kErrLocked = 11,
    kErrNoLockHeld = 12,
    kErrIoTimeout = 15,
    kErrIoError = 17,
    kErrInvalidAddress = 21,
    kErrAbort = 23,
    kErrChannelAlreadyEstablished = 29,
};

// Bounds a decoder puts on strings no real client makes long.
constexpr std::size_t kMaxDeviceName = 256;
constexpr std::size_t kMaxSrqHandle = 40;

struct CreateLinkParms {
    std::int32_t clientId = 0;
    bool lockDevice = false;
    std::uint32_t lockTimeout = 0;  // ms
    std::string device;
};

struct CreateLinkResp {
    std::int32_t error = kErrNone;
    std::int32_t lid = 0;
    std::uint16_t abortPort = 0;
    std::uint32_t maxRecvSize = 0;
};

struct DeviceWriteParms {
    std::int32_t lid = 0;
    std::uint32_t ioTimeout = 0;
    std::uint32_t lockTimeout = 0;
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> data;
};

struct DeviceWriteResp {
    std::int32_t error = kErrNone;
    std::uint32_t size = 0;
};

struct DeviceReadParms {
    std::int32_t lid = 0;
    std::uint32_t requestSize = 0;
    std::uint32_t ioTimeout = 0;
    std::uint32_t lockTimeout = 0;
    std::uint32_t flags = 0;
    std::uint8_t termChar = 0;  // sent as an int
};

struct DeviceReadResp {
    std::int32_t error = kErrNone;
    std::int32_t reason = 0;
    std::vector<std::uint8_t> data;
};

// readstb, trigger, clear, remote and local. Note the order: lock_timeout before io_timeout.
struct DeviceGenericParms {
    std::int32_t lid = 0;
    std::uint32_t flags = 0;
    std::uint32_t lockTimeout = 0;
    std::uint32_t ioTimeout = 0;
};

struct DeviceReadStbResp {
    std::int32_t error = kErrNone;
    std::uint8_t stb = 0;  // sent as an unsigned int
};

struct DeviceLockParms {
    std::int32_t lid = 0;
    std::uint32_t flags = 0;
    std::uint32_t lockTimeout = 0;
};

struct DeviceEnableSrqParms {
    std::int32_t lid = 0;
    bool enable = false;
    std::vector<std::uint8_t> handle;
};

struct DeviceDocmdParms {
    std::int32_t lid = 0;
    std::uint32_t flags = 0;
    std::uint32_t ioTimeout = 0;
    std::uint32_t lockTimeout = 0;
    std::int32_t cmd = 0;
    bool networkOrder = false;
    std::int32_t dataSize = 0;
    std::vector<std::uint8_t> dataIn;
};

struct DeviceDocmdResp {
    std::int32_t error = kErrNone;
    std::vector<std::uint8_t> dataOut;
};

// Calls: a client encodes, a server decodes. Opaque data longer than `maxData` fails decoding.
void Encode(XdrWriter& out, const CreateLinkParms& parms);
bool Decode(XdrReader& in, CreateLinkParms& parms);
void Encode(XdrWriter& out, const DeviceWriteParms& parms);
bool Decode(XdrReader& in, DeviceWriteParms& parms, std::size_t maxData);
void Encode(XdrWriter& out, const DeviceReadParms& parms);
bool Decode(XdrReader& in, DeviceReadParms& parms);
void Encode(XdrWriter& out, const DeviceGenericParms& parms);
bool Decode(XdrReader& in, DeviceGenericParms& parms);
void Encode(XdrWriter& out, const DeviceLockParms& parms);
bool Decode(XdrReader& in, DeviceLockParms& parms);
void Encode(XdrWriter& out, const DeviceEnableSrqParms& parms);
bool Decode(XdrReader& in, DeviceEnableSrqParms& parms);
void Encode(XdrWriter& out, const DeviceDocmdParms& parms);
bool Decode(XdrReader& in, DeviceDocmdParms& parms, std::size_t maxData);
// device_unlock, destroy_link and device_abort take a bare link id.
void EncodeLinkId(XdrWriter& out, std::int32_t lid);
bool DecodeLinkId(XdrReader& in, std::int32_t& lid);

// Replies: a server encodes, a client decodes.
void Encode(XdrWriter& out, const CreateLinkResp& resp);
bool Decode(XdrReader& in, CreateLinkResp& resp);
void Encode(XdrWriter& out, const DeviceWriteResp& resp);
bool Decode(XdrReader& in, DeviceWriteResp& resp);
void Encode(XdrWriter& out, const DeviceReadResp& resp);
bool Decode(XdrReader& in, DeviceReadResp& resp, std::size_t maxData);
void Encode(XdrWriter& out, const DeviceReadStbResp& resp);
bool Decode(XdrReader& in, DeviceReadStbResp& resp);
void Encode(XdrWriter& out, const DeviceDocmdResp& resp);
bool Decode(XdrReader& in, DeviceDocmdResp& resp, std::size_t maxData);
// Device_Error: the reply of the calls that return only an error code.
void EncodeError(XdrWriter& out, std::int32_t error);
bool DecodeError(XdrReader& in, std::int32_t& error);

}  // namespace zvisa::vxi11
