/* The VISA C interface of a message-based USB INSTR session: status codes,
 * attribute ids and calls; the types are in visatype.h.
 * Values follow the IVI VISA library specification, so the program can be
 * linked against another vendor's VISA library instead of ours. */
#ifndef ZVISA_VISA_H
#define ZVISA_VISA_H

#include "visatype.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef ViObject ViFindList;
typedef ViFindList* ViPFindList;
typedef ViUInt32 ViAccessMode;
typedef ViAccessMode* ViPAccessMode;
typedef ViString ViKeyId;
typedef ViPString ViPKeyId;
typedef ViUInt32 ViEventType;
typedef ViUInt32 ViJobId;
typedef ViUInt32 ViBusAddress;
typedef ViBusAddress* ViPBusAddress;
typedef ViUInt32 ViBusSize;
typedef ViUInt64 ViBusAddress64;
typedef ViBusAddress64* ViPBusAddress64;

#define VI_SPEC_VERSION 0x00500800UL

#define VI_FIND_BUFLEN 256
#define VI_NO_LOCK 0
#define VI_EXCLUSIVE_LOCK 1
#define VI_SHARED_LOCK 2
#define VI_LOAD_CONFIG 4
#define VI_TMO_IMMEDIATE 0UL
#define VI_TMO_INFINITE 0xFFFFFFFFUL

#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3
#define VI_INTF_ASRL 4
#define VI_INTF_PXI 5
#define VI_INTF_TCPIP 6
#define VI_INTF_USB 7

#define VI_PROT_NORMAL 1
#define VI_PROT_USBTMC_VENDOR 5
#define VI_TRIG_PROT_DEFAULT 0

#define VI_ALL_ENABLED_EVENTS 0x3FFF7FFFUL
#define VI_EVENT_IO_COMPLETION 0x3FFF2009UL
#define VI_EVENT_SERVICE_REQ 0x3FFF200BUL
#define VI_EVENT_EXCEPTION 0xBFFF200EUL
#define VI_QUEUE 1
#define VI_HNDLR 2
#define VI_SUSPEND_HNDLR 4
#define VI_ALL_MECH 0xFFFF

#define VI_READ_BUF 1
#define VI_WRITE_BUF 2
#define VI_READ_BUF_DISCARD 4
#define VI_WRITE_BUF_DISCARD 8
#define VI_IO_IN_BUF 16
#define VI_IO_OUT_BUF 32
#define VI_IO_IN_BUF_DISCARD 64
#define VI_IO_OUT_BUF_DISCARD 128

#define VI_ATTR_RSRC_CLASS 0xBFFF0001UL
#define VI_ATTR_RSRC_NAME 0xBFFF0002UL
#define VI_ATTR_RSRC_IMPL_VERSION 0x3FFF0003UL
#define VI_ATTR_RSRC_LOCK_STATE 0x3FFF0004UL
#define VI_ATTR_SEND_END_EN 0x3FFF0016UL
#define VI_ATTR_TERMCHAR 0x3FFF0018UL
#define VI_ATTR_TMO_VALUE 0x3FFF001AUL
#define VI_ATTR_IO_PROT 0x3FFF001CUL
#define VI_ATTR_SUPPRESS_END_EN 0x3FFF0036UL
#define VI_ATTR_TERMCHAR_EN 0x3FFF0038UL
#define VI_ATTR_MANF_NAME 0xBFFF0072UL
#define VI_ATTR_MODEL_NAME 0xBFFF0077UL
#define VI_ATTR_MANF_ID 0x3FFF00D9UL
#define VI_ATTR_MODEL_CODE 0x3FFF00DFUL
#define VI_ATTR_INTF_INST_NAME 0xBFFF00E9UL
#define VI_ATTR_RSRC_SPEC_VERSION 0x3FFF0170UL
#define VI_ATTR_INTF_TYPE 0x3FFF0171UL
#define VI_ATTR_RSRC_MANF_NAME 0xBFFF0174UL
#define VI_ATTR_RSRC_MANF_ID 0x3FFF0175UL
#define VI_ATTR_INTF_NUM 0x3FFF0176UL
#define VI_ATTR_4882_COMPLIANT 0x3FFF019FUL
#define VI_ATTR_TCPIP_ADDR 0xBFFF0195UL
#define VI_ATTR_TCPIP_HOSTNAME 0xBFFF0196UL
#define VI_ATTR_TCPIP_PORT 0x3FFF0197UL
#define VI_ATTR_TCPIP_DEVICE_NAME 0xBFFF0199UL
#define VI_ATTR_USB_SERIAL_NUM 0xBFFF01A0UL
#define VI_ATTR_USB_INTFC_NUM 0x3FFF01A1UL
#define VI_ATTR_USB_PROTOCOL 0x3FFF01A7UL
#define VI_ATTR_USB_MAX_INTR_SIZE 0x3FFF01AFUL

#define VI_SUCCESS_EVENT_DIS ((ViStatus)0x3FFF0003)
#define VI_SUCCESS_QUEUE_EMPTY ((ViStatus)0x3FFF0004)
#define VI_SUCCESS_TERM_CHAR ((ViStatus)0x3FFF0005)
#define VI_SUCCESS_MAX_CNT ((ViStatus)0x3FFF0006)
#define VI_SUCCESS_NESTED_SHARED ((ViStatus)0x3FFF0099)
#define VI_SUCCESS_NESTED_EXCLUSIVE ((ViStatus)0x3FFF009A)
#define VI_WARN_NULL_OBJECT ((ViStatus)0x3FFF0082)
#define VI_WARN_UNKNOWN_STATUS ((ViStatus)0x3FFF0085)

#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000E)
#define VI_ERROR_INV_SESSION VI_ERROR_INV_OBJECT
#define VI_ERROR_RSRC_LOCKED ((ViStatus)0xBFFF000F)
#define VI_ERROR_INV_EXPR ((ViStatus)0xBFFF0010)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011)
#define VI_ERROR_INV_RSRC_NAME ((ViStatus)0xBFFF0012)
#define VI_ERROR_INV_ACC_MODE ((ViStatus)0xBFFF0013)
#define VI_ERROR_TMO ((ViStatus)0xBFFF0015)
#define VI_ERROR_CLOSING_FAILED ((ViStatus)0xBFFF0016)
#define VI_ERROR_INV_DEGREE ((ViStatus)0xBFFF001B)
#define VI_ERROR_INV_JOB_ID ((ViStatus)0xBFFF001C)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001D)
#define VI_ERROR_NSUP_ATTR_STATE ((ViStatus)0xBFFF001E)
#define VI_ERROR_ATTR_READONLY ((ViStatus)0xBFFF001F)
#define VI_ERROR_INV_LOCK_TYPE ((ViStatus)0xBFFF0020)
#define VI_ERROR_INV_ACCESS_KEY ((ViStatus)0xBFFF0021)
#define VI_ERROR_INV_EVENT ((ViStatus)0xBFFF0026)
#define VI_ERROR_INV_MECH ((ViStatus)0xBFFF0027)
#define VI_ERROR_ABORT ((ViStatus)0xBFFF0030)
#define VI_ERROR_OUTP_PROT_VIOL ((ViStatus)0xBFFF0036)
#define VI_ERROR_INP_PROT_VIOL ((ViStatus)0xBFFF0037)
#define VI_ERROR_ALLOC ((ViStatus)0xBFFF003C)
#define VI_ERROR_INV_MASK ((ViStatus)0xBFFF003D)
#define VI_ERROR_IO ((ViStatus)0xBFFF003E)
#define VI_ERROR_NSUP_OPER ((ViStatus)0xBFFF0067)
#define VI_ERROR_USER_BUF ((ViStatus)0xBFFF0071)
#define VI_ERROR_RSRC_BUSY ((ViStatus)0xBFFF0072)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078)
#define VI_ERROR_INV_PROT ((ViStatus)0xBFFF0079)
#define VI_ERROR_SESN_NLOCKED ((ViStatus)0xBFFF009C)
#define VI_ERROR_CONN_LOST ((ViStatus)0xBFFF00A6)
#define VI_ERROR_NPERMISSION ((ViStatus)0xBFFF00A8)

ViStatus viOpenDefaultRM(ViPSession vi);
ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList vi, ViPUInt32 retCnt,
                    ViChar desc[]);
ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
                ViPSession vi);
ViStatus viGetAttribute(ViObject vi, ViAttr attrName, void* attrValue);
ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue);
ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viClose(ViObject vi);

ViStatus viFindNext(ViFindList vi, ViChar desc[]);
ViStatus viParseRsrc(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType, ViPUInt16 intfNum);
ViStatus viParseRsrcEx(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                       ViPUInt16 intfNum, ViChar rsrcClass[], ViChar expandedUnaliasedName[],
                       ViChar aliasIfExists[]);
ViStatus viStatusDesc(ViObject vi, ViStatus status, ViChar desc[]);

ViStatus viClear(ViSession vi);
ViStatus viReadSTB(ViSession vi, ViPUInt16 status);
ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol);
ViStatus viFlush(ViSession vi, ViUInt16 mask);
ViStatus viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout, ViConstString requestedKey,
                ViChar accessKey[]);
ViStatus viUnlock(ViSession vi);
/* Ends every call in progress on vi, in any thread, with VI_ERROR_ABORT;
 * degree and jobId are VI_NULL (no asynchronous jobs exist). */
ViStatus viTerminate(ViObject vi, ViUInt16 degree, ViJobId jobId);
ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism);
ViStatus viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism);

/* GPIB, VXI and register or memory access do not apply to a USB INSTR
 * session: each returns VI_ERROR_NSUP_OPER on a valid session. */
ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode);
ViStatus viGpibControlATN(ViSession vi, ViUInt16 mode);
ViStatus viGpibSendIFC(ViSession vi);
ViStatus viGpibCommand(ViSession vi, ViConstBuf cmd, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viGpibPassControl(ViSession vi, ViUInt16 primAddr, ViUInt16 secAddr);
ViStatus viVxiCommandQuery(ViSession vi, ViUInt16 mode, ViUInt32 cmd, ViPUInt32 response);
ViStatus viIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt8 val8);
ViStatus viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt16 val16);
ViStatus viIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt32 val32);
ViStatus viOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt8 val8);
ViStatus viOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16 val16);
ViStatus viOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt32 val32);
ViStatus viMoveIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                   ViAUInt8 buf8);
ViStatus viMoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                    ViAUInt16 buf16);
ViStatus viMoveIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                    ViAUInt32 buf32);
ViStatus viMoveOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                    ViAUInt8 buf8);
ViStatus viMoveOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                     ViAUInt16 buf16);
ViStatus viMoveOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                     ViAUInt32 buf32);
ViStatus viMapAddress(ViSession vi, ViUInt16 mapSpace, ViBusAddress mapOffset, ViBusSize mapSize,
                      ViBoolean access, ViAddr suggested, ViPAddr address);
ViStatus viUnmapAddress(ViSession vi);
ViStatus viMemAlloc(ViSession vi, ViBusSize size, ViPBusAddress offset);
ViStatus viMemFree(ViSession vi, ViBusAddress offset);

#ifdef __cplusplus
}
#endif

#endif /* ZVISA_VISA_H */
