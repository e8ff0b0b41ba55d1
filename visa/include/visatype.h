/* The standard VISA data types, under the header name code written for
 * VISA includes. Sizes follow the IVI VISA library specification. */
#ifndef ZVISA_VISATYPE_H
#define ZVISA_VISATYPE_H

/* Calling-convention and pointer decorations; nothing is needed on Linux. */
#define _VI_FAR
#define _VI_FUNC
#define _VI_FUNCC
#define _VI_FUNCH
#define _VI_SIGNED signed
#define _VI_ERROR (-2147483647L - 1)
#define _VI_PTR *

typedef unsigned long long ViUInt64;
typedef ViUInt64* ViPUInt64;
typedef ViUInt64* ViAUInt64;
typedef signed long long ViInt64;
typedef ViInt64* ViPInt64;
typedef ViInt64* ViAInt64;

typedef unsigned int ViUInt32;
typedef ViUInt32* ViPUInt32;
typedef ViUInt32* ViAUInt32;
typedef signed int ViInt32;
typedef ViInt32* ViPInt32;
typedef ViInt32* ViAInt32;

typedef unsigned short ViUInt16;
typedef ViUInt16* ViPUInt16;
typedef ViUInt16* ViAUInt16;
typedef signed short ViInt16;
typedef ViInt16* ViPInt16;
typedef ViInt16* ViAInt16;

typedef unsigned char ViUInt8;
typedef ViUInt8* ViPUInt8;
typedef ViUInt8* ViAUInt8;
typedef signed char ViInt8;
typedef ViInt8* ViPInt8;
typedef ViInt8* ViAInt8;

typedef char ViChar;
typedef ViChar* ViPChar;
typedef ViChar* ViAChar;
typedef unsigned char ViByte;
typedef ViByte* ViPByte;
typedef ViByte* ViAByte;
typedef void* ViAddr;
typedef ViAddr* ViPAddr;
typedef ViAddr* ViAAddr;
typedef float ViReal32;
typedef ViReal32* ViPReal32;
typedef ViReal32* ViAReal32;
typedef double ViReal64;
typedef ViReal64* ViPReal64;
typedef ViReal64* ViAReal64;

typedef ViPByte ViBuf;
typedef const ViByte* ViConstBuf;
typedef ViPByte ViPBuf;
typedef ViPByte* ViABuf;
typedef ViPChar ViString;
typedef const ViChar* ViConstString;
typedef ViPChar ViPString;
typedef ViPChar* ViAString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViString ViPRsrc;
typedef ViString* ViARsrc;

typedef ViUInt16 ViBoolean;
typedef ViBoolean* ViPBoolean;
typedef ViBoolean* ViABoolean;

typedef ViInt32 ViStatus;
typedef ViStatus* ViPStatus;
typedef ViStatus* ViAStatus;
typedef ViUInt32 ViVersion;
typedef ViVersion* ViPVersion;
typedef ViVersion* ViAVersion;
typedef ViUInt32 ViObject;
typedef ViObject* ViPObject;
typedef ViObject* ViAObject;
typedef ViObject ViSession;
typedef ViSession* ViPSession;
typedef ViSession* ViASession;
typedef ViUInt32 ViAttr;
/* Wide enough for a pointer-sized attribute on a 64-bit host. */
#if defined(__LP64__) || defined(_WIN64)
typedef ViUInt64 ViAttrState;
#else
typedef ViUInt32 ViAttrState;
#endif
typedef ViAttrState* ViPAttrState;

#define VI_SUCCESS (0)
#define VI_NULL (0)
#define VI_TRUE (1)
#define VI_FALSE (0)

#endif /* ZVISA_VISATYPE_H */
