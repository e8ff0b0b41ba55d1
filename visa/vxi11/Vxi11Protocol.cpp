#include "vxi11/Vxi11Protocol.h"

namespace zvisa::vxi11 {

void Encode(XdrWriter& out, const CreateLinkParms& parms) {
    out.PutInt32(parms.clientId);
    out.PutBool(parms.lockDevice);
    out.PutUint32(parms.lockTimeout);
    out.PutString(parms.device);
}

bool Decode(XdrReader& in, CreateLinkParms& parms) {
    parms.clientId = in.GetInt32();
    parms.lockDevice = in.GetBool();
    parms.lockTimeout = in.GetUint32();
    parms.device = in.GetString(kMaxDeviceName);
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceWriteParms& parms) {
    out.PutInt32(parms.lid);
    out.PutUint32(parms.ioTimeout);
    out.PutUint32(parms.lockTimeout);
    out.PutUint32(parms.flags);
    out.PutOpaque(parms.data.data(), parms.data.size());
}

bool Decode(XdrReader& in, DeviceWriteParms& parms, std::size_t maxData) {
    parms.lid = in.GetInt32();
    parms.ioTimeout = in.GetUint32();
    parms.lockTimeout = in.GetUint32();
    parms.flags = in.GetUint32();
    parms.data = in.GetOpaque(maxData);
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceReadParms& parms) {
    out.PutInt32(parms.lid);
    out.PutUint32(parms.requestSize);
    out.PutUint32(parms.ioTimeout);
    out.PutUint32(parms.lockTimeout);
    out.PutUint32(parms.flags);
    out.PutUint32(parms.termChar);
}

bool Decode(XdrReader& in, DeviceReadParms& parms) {
    parms.lid = in.GetInt32();
    parms.requestSize = in.GetUint32();
    parms.ioTimeout = in.GetUint32();
    parms.lockTimeout = in.GetUint32();
    parms.flags = in.GetUint32();
    // A char travels as an int; only its low byte means anything.
    parms.termChar = static_cast<std::uint8_t>(in.GetUint32());
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceGenericParms& parms) {
    out.PutInt32(parms.lid);
    out.PutUint32(parms.flags);
    out.PutUint32(parms.lockTimeout);
    out.PutUint32(parms.ioTimeout);
}

bool Decode(XdrReader& in, DeviceGenericParms& parms) {
    parms.lid = in.GetInt32();
    parms.flags = in.GetUint32();
    parms.lockTimeout = in.GetUint32();
    parms.ioTimeout = in.GetUint32();
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceLockParms& parms) {
    out.PutInt32(parms.lid);
    out.PutUint32(parms.flags);
    out.PutUint32(parms.lockTimeout);
}

bool Decode(XdrReader& in, DeviceLockParms& parms) {
    parms.lid = in.GetInt32();
    parms.flags = in.GetUint32();
    parms.lockTimeout = in.GetUint32();
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceEnableSrqParms& parms) {
    out.PutInt32(parms.lid);
    out.PutBool(parms.enable);
    out.PutOpaque(parms.handle.data(), parms.handle.size());
}

bool Decode(XdrReader& in, DeviceEnableSrqParms& parms) {
    parms.lid = in.GetInt32();
    parms.enable = in.GetBool();
    parms.handle = in.GetOpaque(kMaxSrqHandle);
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceDocmdParms& parms) {
    out.PutInt32(parms.lid);
    out.PutUint32(parms.flags);
    out.PutUint32(parms.ioTimeout);
    out.PutUint32(parms.lockTimeout);
    out.PutInt32(parms.cmd);
    out.PutBool(parms.networkOrder);
    out.PutInt32(parms.dataSize);
    out.PutOpaque(parms.dataIn.data(), parms.dataIn.size());
}

bool Decode(XdrReader& in, DeviceDocmdParms& parms, std::size_t maxData) {
    parms.lid = in.GetInt32();
    parms.flags = in.GetUint32();
    parms.ioTimeout = in.GetUint32();
    parms.lockTimeout = in.GetUint32();
    parms.cmd = in.GetInt32();
    parms.networkOrder = in.GetBool();
    parms.dataSize = in.GetInt32();
    parms.dataIn = in.GetOpaque(maxData);
    return in.Ok();
}

void EncodeLinkId(XdrWriter& out, std::int32_t lid) {
    out.PutInt32(lid);
}

bool DecodeLinkId(XdrReader& in, std::int32_t& lid) {
    lid = in.GetInt32();
    return in.Ok();
}

void Encode(XdrWriter& out, const CreateLinkResp& resp) {
    out.PutInt32(resp.error);
    out.PutInt32(resp.lid);
    out.PutUint32(resp.abortPort);
    out.PutUint32(resp.maxRecvSize);
}

bool Decode(XdrReader& in, CreateLinkResp& resp) {
    resp.error = in.GetInt32();
    resp.lid = in.GetInt32();
    resp.abortPort = static_cast<std::uint16_t>(in.GetUint32());
    resp.maxRecvSize = in.GetUint32();
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceWriteResp& resp) {
    out.PutInt32(resp.error);
    out.PutUint32(resp.size);
}

bool Decode(XdrReader& in, DeviceWriteResp& resp) {
    resp.error = in.GetInt32();
    resp.size = in.GetUint32();
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceReadResp& resp) {
    out.PutInt32(resp.error);
    out.PutInt32(resp.reason);
    out.PutOpaque(resp.data.data(), resp.data.size());
}

bool Decode(XdrReader& in, DeviceReadResp& resp, std::size_t maxData) {
    resp.error = in.GetInt32();
    resp.reason = in.GetInt32();
    resp.data = in.GetOpaque(maxData);
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceReadStbResp& resp) {
    out.PutInt32(resp.error);
    out.PutUint32(resp.stb);
}

bool Decode(XdrReader& in, DeviceReadStbResp& resp) {
    resp.error = in.GetInt32();
    resp.stb = static_cast<std::uint8_t>(in.GetUint32());
    return in.Ok();
}

void Encode(XdrWriter& out, const DeviceDocmdResp& resp) {
    out.PutInt32(resp.error);
    out.PutOpaque(resp.dataOut.data(), resp.dataOut.size());
}

bool Decode(XdrReader& in, DeviceDocmdResp& resp, std::size_t maxData) {
    resp.error = in.GetInt32();
    resp.dataOut = in.GetOpaque(maxData);
    return in.Ok();
}

void EncodeError(XdrWriter& out, std::int32_t error) {
    out.PutInt32(error);
}

bool DecodeError(XdrReader& in, std::int32_t& error) {
    error = in.GetInt32();
    return in.Ok();
}

}  // namespace zvisa::vxi11
