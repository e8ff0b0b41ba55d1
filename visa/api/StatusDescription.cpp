#include "api/StatusDescription.h"

#include <array>
#include <utility>

namespace zvisa {

namespace {

constexpr std::array<std::pair<ViStatus, const char*>, 41> kDescriptions = {{
    {VI_SUCCESS, "VI_SUCCESS: Operation completed successfully."},
    {VI_SUCCESS_TERM_CHAR, "VI_SUCCESS_TERM_CHAR: The specified termination character was read."},
    {VI_SUCCESS_MAX_CNT,
     "VI_SUCCESS_MAX_CNT: The number of bytes read is equal to the input count."},
    {VI_SUCCESS_NESTED_SHARED,
     "VI_SUCCESS_NESTED_SHARED: The session already held a shared lock; it now holds one more."},
    {VI_SUCCESS_NESTED_EXCLUSIVE,
     "VI_SUCCESS_NESTED_EXCLUSIVE: The session already held an exclusive lock; it now holds one "
     "more."},
    {VI_SUCCESS_EVENT_DIS, "VI_SUCCESS_EVENT_DIS: The event was already disabled."},
    {VI_SUCCESS_QUEUE_EMPTY, "VI_SUCCESS_QUEUE_EMPTY: The event queue was empty."},
    {VI_ERROR_INV_MECH, "VI_ERROR_INV_MECH: Invalid event mechanism."},
    {VI_ERROR_INV_EVENT, "VI_ERROR_INV_EVENT: The event type is not valid for this session."},
    {VI_ERROR_ABORT, "VI_ERROR_ABORT: The call was ended by viTerminate or viClose."},
    {VI_ERROR_INV_DEGREE, "VI_ERROR_INV_DEGREE: The degree is not valid."},
    {VI_ERROR_INV_JOB_ID, "VI_ERROR_INV_JOB_ID: The job identifier is not valid."},
    {VI_WARN_NULL_OBJECT, "VI_WARN_NULL_OBJECT: The specified object reference is uninitialized."},
    {VI_WARN_UNKNOWN_STATUS, "VI_WARN_UNKNOWN_STATUS: The status code passed is not known."},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR: Unknown system error."},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT: The given session or object reference is invalid."},
    {VI_ERROR_RSRC_LOCKED,
     "VI_ERROR_RSRC_LOCKED: Another session holds a lock that keeps this operation from running."},
    {VI_ERROR_INV_EXPR, "VI_ERROR_INV_EXPR: Invalid resource expression or attribute filter."},
    {VI_ERROR_RSRC_NFOUND,
     "VI_ERROR_RSRC_NFOUND: No resource matches, or the resource is not present."},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME: Invalid resource name."},
    {VI_ERROR_INV_ACC_MODE, "VI_ERROR_INV_ACC_MODE: Invalid access mode."},
    {VI_ERROR_TMO, "VI_ERROR_TMO: Timeout expired before the operation completed."},
    {VI_ERROR_CLOSING_FAILED, "VI_ERROR_CLOSING_FAILED: The session could not be closed."},
    {VI_ERROR_NSUP_ATTR,
     "VI_ERROR_NSUP_ATTR: The attribute is not supported by the referenced session."},
    {VI_ERROR_NSUP_ATTR_STATE,
     "VI_ERROR_NSUP_ATTR_STATE: The attribute value is not supported by the referenced session."},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY: The attribute is read-only."},
    {VI_ERROR_INV_LOCK_TYPE, "VI_ERROR_INV_LOCK_TYPE: The lock type is not supported."},
    {VI_ERROR_INV_ACCESS_KEY,
     "VI_ERROR_INV_ACCESS_KEY: The access key does not match the resource's shared lock."},
    {VI_ERROR_OUTP_PROT_VIOL,
     "VI_ERROR_OUTP_PROT_VIOL: Device reported an output protocol error during transfer."},
    {VI_ERROR_INP_PROT_VIOL,
     "VI_ERROR_INP_PROT_VIOL: Device reported an input protocol error during transfer."},
    {VI_ERROR_ALLOC, "VI_ERROR_ALLOC: Insufficient system resources to perform the operation."},
    {VI_ERROR_INV_MASK, "VI_ERROR_INV_MASK: Invalid buffer mask specified."},
    {VI_ERROR_IO, "VI_ERROR_IO: Could not perform the operation because of an I/O error."},
    {VI_ERROR_NSUP_OPER,
     "VI_ERROR_NSUP_OPER: The operation is not supported by the referenced session."},
    {VI_ERROR_USER_BUF, "VI_ERROR_USER_BUF: A buffer given to the operation is not valid."},
    {VI_ERROR_RSRC_BUSY,
     "VI_ERROR_RSRC_BUSY: The resource is valid, but cannot be accessed at this time."},
    {VI_ERROR_INV_PARAMETER, "VI_ERROR_INV_PARAMETER: A parameter is not valid."},
    {VI_ERROR_INV_PROT, "VI_ERROR_INV_PROT: The protocol is not supported by the device."},
    {VI_ERROR_SESN_NLOCKED, "VI_ERROR_SESN_NLOCKED: The session does not hold a lock."},
    {VI_ERROR_CONN_LOST, "VI_ERROR_CONN_LOST: The connection to the device was lost."},
    {VI_ERROR_NPERMISSION,
     "VI_ERROR_NPERMISSION: No permission to access the resource (check the udev rules)."},
}};

}  // namespace

const char* StatusDescription(ViStatus status) {
    for (const auto& [code, text] : kDescriptions) {
        if (code == status) {
            return text;
        }
    }
    return nullptr;
}

}  // namespace zvisa
