/* The VISA C interface that Zorvane uses: the standard types, status codes
 * and attribute ids, and the seven calls of a message-based session.
 * Values follow the IVI VISA library specification, so the program can be
 * linked against another vendor's VISA library instead of ours. */
#ifndef ZVISA_VISA_H
#define ZVISA_VISA_H

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long long ViUInt64;
typedef signed long long ViInt64;
typedef unsigned int ViUInt32;
typedef signed int ViInt32;
typedef unsigned short ViUInt16;
typedef signed short ViInt16;
typedef unsigned char ViUInt8;
typedef signed char ViInt8;
typedef char ViChar;
typedef unsigned char ViByte;
typedef ViUInt16 ViBoolean;

typedef ViUInt32* ViPUInt32;
typedef ViChar* ViString;
typedef const ViChar* ViConstString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViByte* ViBuf;
typedef const ViByte* ViConstBuf;
typedef ViByte* ViPBuf;

typedef ViInt32 ViStatus;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViSession* ViPSession;
typedef ViObject ViFindList;
typedef ViFindList* ViPFindList;
typedef ViUInt32 ViAccessMode;
typedef ViUInt32 ViAttr;
#if defined(__LP64__) || defined(_WIN64)
typedef ViUInt64 ViAttrState;
#else
typedef ViUInt32 ViAttrState;
#endif

#define VI_NULL 0
#define VI_TRUE 1
#define VI_FALSE 0
#define VI_FIND_BUFLEN 256
#define VI_NO_LOCK 0
#define VI_TMO_IMMEDIATE 0UL
#define VI_TMO_INFINITE 0xFFFFFFFFUL

#define VI_ATTR_TMO_VALUE 0x3FFF001AUL

#define VI_SUCCESS 0
#define VI_SUCCESS_TERM_CHAR ((ViStatus)0x3FFF0005)
#define VI_SUCCESS_MAX_CNT ((ViStatus)0x3FFF0006)

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
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001D)
#define VI_ERROR_NSUP_ATTR_STATE ((ViStatus)0xBFFF001E)
#define VI_ERROR_OUTP_PROT_VIOL ((ViStatus)0xBFFF0036)
#define VI_ERROR_INP_PROT_VIOL ((ViStatus)0xBFFF0037)
#define VI_ERROR_ALLOC ((ViStatus)0xBFFF003C)
#define VI_ERROR_IO ((ViStatus)0xBFFF003E)
#define VI_ERROR_NSUP_OPER ((ViStatus)0xBFFF0067)
#define VI_ERROR_USER_BUF ((ViStatus)0xBFFF0071)
#define VI_ERROR_RSRC_BUSY ((ViStatus)0xBFFF0072)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078)
#define VI_ERROR_CONN_LOST ((ViStatus)0xBFFF00A6)
#define VI_ERROR_NPERMISSION ((ViStatus)0xBFFF00A8)

ViStatus viOpenDefaultRM(ViPSession vi);
ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList vi, ViPUInt32 retCnt,
                    ViChar desc[]);
ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
                ViPSession vi);
ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue);
ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viClose(ViObject vi);

#ifdef __cplusplus
}
#endif

#endif /* ZVISA_VISA_H */
