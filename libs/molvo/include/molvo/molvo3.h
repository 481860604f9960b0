/*
 * The host modelling system's programming interface, as implemented by the simulated host
 * libmolvo3.so.
 *
 * Rules that hold for every function:
 * - Results: 1 for success, 0 for failure; after a failure MolvoAPILastErrorW tells why. The last
 *   error belongs to the calling thread and is cleared by every call that succeeds.
 * - Handles are positive 32-bit integers; 0 is never a valid handle. A handle is owned by whoever
 *   created it and stays valid until MolvoIdentifierHandleDelete / MolvoProcedureHandleDelete.
 * - Element numbers are positive and count per root set in creation order; 0 means "no element".
 * - Tuples are arrays of element numbers, one per (sliced) dimension; in the *Multi calls the tuples
 *   of consecutive values follow each other in one array.
 * - Wide strings are NUL-terminated wchar_t (UTF-32 on Linux). A string value going out of the host
 *   is written into the caller's buffer String of Length characters (the NUL included); a longer
 *   value is cut, Length is set to the full length, and the call reports error 125.
 * - Every function may be called only by the thread that holds control (MolvoControlGet), except
 *   MolvoControlGet itself.
 */
#ifndef MOLVO_MOLVO3_H
#define MOLVO_MOLVO3_H

#include <wchar.h>

#if defined(__GNUC__)
#define MOLVO_API __attribute__((visibility("default")))
#else
#define MOLVO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
    MOLVO_MAX_DIMENSION = 32,
    MOLVO_MESSAGE_SIZE = 2048 /* wide characters a MolvoAPILastErrorW message buffer must hold */
};

/* Identifier types (MolvoAttributeType). */
enum {
    MOLVO_TYPE_ROOT_SET = 1,
    MOLVO_TYPE_SUBSET = 2,
    MOLVO_TYPE_PARAMETER_NUMERIC = 10,
    MOLVO_TYPE_PARAMETER_ELEMENT = 11,
    MOLVO_TYPE_PARAMETER_STRING = 12,
    MOLVO_TYPE_INDEX = 60
};

/* Value storage (MolvoAttributeStorage). Element values travel as integers (element numbers). */
enum {
    MOLVO_STORAGE_DOUBLE = 1,
    MOLVO_STORAGE_INT = 2,
    MOLVO_STORAGE_BINARY = 3,
    MOLVO_STORAGE_STRING = 4
};

/* Procedure argument types. */
enum {
    MOLVO_ARG_INPUT_NUMERIC = 0x11,
    MOLVO_ARG_INPUT_STRING = 0x14
};

/* Error codes reported by MolvoAPILastErrorW. */
enum {
    MOLVO_ERR_UNKNOWN_IDENTIFIER = 101,
    MOLVO_ERR_BAD_HANDLE = 102,
    MOLVO_ERR_DIMENSION = 103,
    MOLVO_ERR_BAD_ELEMENT = 104,
    MOLVO_ERR_NULL_ARGUMENT = 105,
    MOLVO_ERR_WRONG_TYPE = 106,
    MOLVO_ERR_NO_SUCH_ELEMENT = 107,
    MOLVO_ERR_NOT_CREATABLE = 108,
    MOLVO_ERR_PROCEDURE_FAILED = 109,
    MOLVO_ERR_NOT_CONTROLLER = 110,
    MOLVO_ERR_DUPLICATE_NAME = 111,
    MOLVO_ERR_ALREADY_MEMBER = 124,      /* harmless: the element was in the set already */
    MOLVO_ERR_TRUNCATED = 125,           /* a string value did not fit the caller's buffer */
    MOLVO_ERR_END_OF_DATA = 145,         /* harmless: iteration found no further values */
    MOLVO_ERR_OUTSIDE_DOMAIN = 164       /* a value outside the identifier's domain was skipped */
};

/* One value. Which member counts follows the identifier's storage. */
typedef struct MolvoValueW {
    double Double;
    int Int;          /* integer values and element numbers */
    int Length;       /* strings: capacity of String (in), length of the value (out) */
    wchar_t* String;  /* strings: caller's buffer (values out) or the value (values in) */
} MolvoValueW;

typedef int (*MolvoInterruptCallback)(int solving);

/* handles */
MOLVO_API int MolvoIdentifierHandleCreateW(const wchar_t* name, const int* domain, const int* slicing,
                                           int flags, int* handle);
MOLVO_API int MolvoIdentifierHandleDelete(int handle);
MOLVO_API int MolvoAPILastErrorW(int* code, wchar_t* message);

/* attributes */
MOLVO_API int MolvoAttributeType(int handle, int* type);
MOLVO_API int MolvoAttributeStorage(int handle, int* storage);
MOLVO_API int MolvoAttributeDimension(int handle, int* full, int* sliced);
MOLVO_API int MolvoAttributeSlicing(int handle, int* slicing);
MOLVO_API int MolvoAttributeNameW(int handle, MolvoValueW* name);
MOLVO_API int MolvoAttributeDeclarationDomain(int handle, int* indexHandles);
MOLVO_API int MolvoAttributeRootDomain(int handle, int* rootHandle);
MOLVO_API int MolvoAttributeCallDomain(int handle, int* setHandles);
MOLVO_API int MolvoAttributeElementRange(int handle, int* rangeHandle);
MOLVO_API int MolvoAttributeDefaultW(int handle, MolvoValueW* value);

/* values */
MOLVO_API int MolvoValueResetHandle(int handle);
MOLVO_API int MolvoValueNextMultiW(int handle, int* count, int* tuples, MolvoValueW* values);
MOLVO_API int MolvoValueRetrieveW(int handle, const int* tuple, MolvoValueW* value);
MOLVO_API int MolvoValueSearchW(int handle, int* tuple, MolvoValueW* value);
MOLVO_API int MolvoValueAssignW(int handle, const int* tuple, const MolvoValueW* value);
MOLVO_API int MolvoValueAssignMultiW(int handle, int count, const int* tuples, const MolvoValueW* values);
MOLVO_API int MolvoIdentifierEmpty(int handle);

/* elements; "set" is the handle of a set, or of an index or element parameter (meaning its range) */
MOLVO_API int MolvoSetElementNumberW(int set, const wchar_t* name, int create, int* element, int* created);
MOLVO_API int MolvoSetNameToElementW(int set, const wchar_t* name, int* element);
MOLVO_API int MolvoSetElementToNameW(int set, int element, MolvoValueW* name);
MOLVO_API int MolvoSetOrdinalToElement(int set, int ordinal, int* element);
MOLVO_API int MolvoSetAddElementRecursiveMulti(int set, int count, const int* elements);
MOLVO_API int MolvoSetRenameElementW(int set, int element, const wchar_t* name);
MOLVO_API int MolvoSetIsCalendar(int set, int* isCalendar);
MOLVO_API int MolvoSetDateToElement(int set, int year, int month, int day, int hour, int minute, int second,
                                    int* element);
MOLVO_API int MolvoSetElementToDate(int set, int element, int* year, int* month, int* day, int* hour,
                                    int* minute, int* second);

/* procedures */
MOLVO_API int MolvoProcedureHandleCreateW(const wchar_t* name, int* handle, int* argumentCount, int* argumentTypes);
MOLVO_API int MolvoProcedureHandleCreateA(const char* name, int* handle, int* argumentCount, int* argumentTypes);
MOLVO_API int MolvoProcedureRunW(int handle, const int* argumentTypes, const MolvoValueW* arguments, int* result);
MOLVO_API int MolvoProcedureHandleDelete(int handle);

/* control */
MOLVO_API int MolvoControlGet(int timeoutMs);
MOLVO_API int MolvoControlRelease(void);
MOLVO_API int MolvoInterruptCallbackInstall(MolvoInterruptCallback callback);

/* errors: severity 1 = error, 2 = warning */
MOLVO_API int MolvoErrorRaiseA(int severity, const char* message, const char* source);
MOLVO_API int MolvoErrorRaiseW(int severity, const wchar_t* message, const wchar_t* source);

#ifdef __cplusplus
}
#endif

#endif
