/* KXVirtualMachMgr's binary interface: starts and supervises the Kalvex
 * Virtual Machine (Eureka.exe), reads the product's settings from the
 * registry, writes the diagnostic log.
 *
 * C99; any compiler and any language with a C foreign-function interface can
 * call it. The C++ classes of MWVMLauncher.h, KXEnvApp.h and MWSettingsKey.h
 * are a header-only layer over these functions.
 *
 * Conventions
 * - Every function but kxvm_api_version, kxvm_free and the *_destroy
 *   functions returns an int32_t result: KXVM_OK, KXVM_NO_MATCH, or a
 *   negative KXVM_E_* code. No exception ever leaves the library.
 * - KXVM_NO_MATCH: no value of that name and kind (or no key of that name);
 *   the outputs are left untouched.
 * - On a negative result the calling thread's last error holds the code, a
 *   detail and a text (kxvm_last_error) that begins with the function's name
 *   (an automation failure's is the simulator's own text); outputs are left untouched unless a function says otherwise. KXVM_OK and
 *   KXVM_NO_MATCH clear it; kxvm_free and the *_destroy functions never
 *   change it.
 * - Names, paths and tags cross as NUL-terminated UTF-16. Text values, log
 *   lines and archive strings cross as a pointer and a length in UTF-16 code
 *   units, so that an embedded NUL survives in memory and in an archive (the
 *   registry keeps it too, but a text value loaded back from the registry
 *   ends at its first NUL, as the stored form is read); a null pointer with
 *   length 0 is the empty text. A length beyond any text or array is
 *   KXVM_E_INVALID_ARGUMENT.
 * - Whatever the library hands out (wchar_t** and uint8_t** / int32_t**
 *   outputs) is allocated with CoTaskMemAlloc and released with kxvm_free.
 *   Text handed out always ends in a NUL that its length does not count.
 * - Handles: kxvm_launcher, kxvm_key and kxvm_archive. Each function says
 *   which handles the caller owns (destroy them once) and which are
 *   borrowed (never destroy them; valid until the stated moment).
 * - Threads: see "Threads" in the README. In short, the environment, the log
 *   and kxvm_launcher_close_all_and_exit may be called from several threads
 *   at once; one key or archive must not be used by two threads at once, and
 *   a launcher must not be destroyed while it launches.
 */
#ifndef KXVM_H
#define KXVM_H

#include <stddef.h>
#include <stdint.h>

/* The interface version this header describes: the minor number grows with
 * additions, the major with changes. Compare with kxvm_api_version() at run
 * time: same major, and a minor at least the header's.
 * 1.1 added the children of a key, value handles and values as objects of
 * an archive (kxvm_key_child ... kxvm_archive_read_object), and the choice
 * to have a missing data folder reported (kxvm_env_set_missing_data_folder,
 * KXVM_E_NO_DATA_FOLDER, KXVM_E_TOO_LATE, KXVM_OUTCOME_NO_DATA_FOLDER),
 * launch options, start and wait (kxvm_launcher_set_options ...
 * kxvm_launcher_process_handle, KXVM_OUTCOME_STARTED). */
#define KXVM_API_VERSION_MAJOR 1
#define KXVM_API_VERSION_MINOR 1
#define KXVM_API_VERSION ((KXVM_API_VERSION_MAJOR << 16) | KXVM_API_VERSION_MINOR)

/* The one calling convention of every function and callback. */
#if defined(_WIN32)
#define KXVM_CALL __stdcall
#else
#define KXVM_CALL
#endif

#if defined(KXVM_BUILDING) || !defined(_WIN32)
#define KXVM_IMPORT
#else
#define KXVM_IMPORT __declspec(dllimport)
#endif

/* The Windows types named below, declared at file scope: in C, a struct
 * first named in a parameter list is a new type local to that prototype,
 * and a host including this header before windows.h could not pass its
 * HKEY or IDispatch*. */
struct HKEY__;
struct IDispatch;

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ results */

#define KXVM_OK 0
#define KXVM_NO_MATCH 1
#define KXVM_E_INVALID_ARGUMENT (-1) /* a null handle or pointer, a bad mode */
#define KXVM_E_OUT_OF_MEMORY (-2)
#define KXVM_E_AUTOMATION (-3)               /* detail: the HRESULT */
#define KXVM_E_ARCHIVE (-4)                  /* detail: a KXVM_ARCHIVE_CAUSE_* */
#define KXVM_E_ARCHIVE_INVALID_ARGUMENT (-5) /* a value an archive read cannot take */
#define KXVM_E_INTERNAL (-6)
#define KXVM_E_NO_DATA_FOLDER (-7) /* no data folder, reported as the host asked (1.1) */
#define KXVM_E_TOO_LATE (-8)       /* a setting made after the moment it had to come before (1.1) */

/* Causes of KXVM_E_ARCHIVE. */
#define KXVM_ARCHIVE_CAUSE_GENERIC 1   /* invalid data */
#define KXVM_ARCHIVE_CAUSE_READ_ONLY 2 /* writing to a loading archive */
#define KXVM_ARCHIVE_CAUSE_END_OF_FILE 3
#define KXVM_ARCHIVE_CAUSE_WRITE_ONLY 4 /* reading from a storing archive */
#define KXVM_ARCHIVE_CAUSE_BAD_INDEX 5  /* an object tag or class index naming nothing */
#define KXVM_ARCHIVE_CAUSE_BAD_CLASS 6  /* an unknown, unserialisable or unexpected class */
#define KXVM_ARCHIVE_CAUSE_BAD_SCHEMA 7
#define KXVM_ARCHIVE_CAUSE_TOO_DEEP 8 /* objects nested too deeply */

/* The interface version of the library: major << 16 | minor. */
KXVM_IMPORT uint32_t KXVM_CALL kxvm_api_version(void);

/* Releases what the library handed out; null is allowed. */
KXVM_IMPORT void KXVM_CALL kxvm_free(void* memory);

/* The calling thread's last error: its code (KXVM_OK when none), detail and
 * text (owned by the caller; the empty text when none). Every output may be
 * null. Reading it does not clear it. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_last_error(int32_t* code, int32_t* detail, wchar_t** message);

/* ----------------------------------------------------------------- launcher */

typedef struct kxvm_launcher kxvm_launcher;

/* What the last launch came to (kxvm_launcher_launch's outcome). */
#define KXVM_OUTCOME_NONE 0                    /* not launched yet */
#define KXVM_OUTCOME_NOT_LOCATED 1             /* message 1023 ("Error 203"), result 0 */
#define KXVM_OUTCOME_EXECUTABLE_MISSING 2      /* message 1030 ("Error 214"), result 0 */
#define KXVM_OUTCOME_PROCESS_NOT_CREATED 3     /* message 1024 ("Error 204"), result 1 */
#define KXVM_OUTCOME_ENDED_BEFORE_PUBLISHING 4 /* exit code known */
#define KXVM_OUTCOME_SUPERVISED 5              /* supervised to its end; exit code known */
#define KXVM_OUTCOME_AUTOMATION_FAILED 6       /* an automation call failed */
#define KXVM_OUTCOME_ALREADY_RUNNING 7         /* this launcher was launching already */
#define KXVM_OUTCOME_NO_DATA_FOLDER 8          /* message 1023 ("Error 203"), result 0 (reported, 1.1) */
#define KXVM_OUTCOME_STARTED 9                 /* kxvm_launcher_start: running, version read (1.1) */
#define KXVM_OUTCOME_QUIT 10                   /* a WM_QUIT gave a responsive start up; result 0 (1.1) */

/* A new idle launcher, owned by the caller. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_create(kxvm_launcher** launcher);

/* A copy, owned by the caller: the same automation link (one more
 * reference), its own duplicates of the process handles, the same version. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_clone(const kxvm_launcher* source,
                                                  kxvm_launcher** copy);

/* Releases the link and closes the process handles the launcher still holds;
 * the simulator itself goes on running. Null is allowed. */
KXVM_IMPORT void KXVM_CALL kxvm_launcher_destroy(kxvm_launcher* launcher);

/* The whole launch: splash, locate, start, wait for the automation object,
 * read its version, supervise to the end. Blocks the calling thread. result:
 * 0 when Eureka.exe was not located or is missing (or there is no data
 * folder, reported as the host asked), otherwise 1. outcome
 * (KXVM_OUTCOME_*) and exit_code (the simulator's, when the outcome has one)
 * are written on KXVM_E_AUTOMATION too. Outputs may be null.
 * KXVM_E_AUTOMATION: a call on the simulator failed; the thread's IErrorInfo
 * then holds the simulator's text (or none when it gave none). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_launch(kxvm_launcher* launcher, int32_t* result,
                                                   int32_t* outcome, uint32_t* exit_code);

/* Asks the simulator to close every document and exit when a link is held,
 * otherwise ends its process (exit code 0) when one is held. A failed call is
 * KXVM_E_AUTOMATION, and the link is kept. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_close_all_and_exit(kxvm_launcher* launcher);

/* Replaces the held automation link; null releases it. The launcher takes
 * its own reference; the caller keeps its own. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_set_automation(kxvm_launcher* launcher,
                                                           struct IDispatch* application);

/* Options of the launches to come (1.1), off by default:
 * KXVM_LAUNCH_RESPONSIVE: the splash shows and Eureka starts at once; its
 *   automation object is looked up at once and every 50 ms, and its end is
 *   noticed at once; meanwhile the launching thread runs a modal loop as a
 *   modal dialog does: the splash's owner (the host's main window) is
 *   disabled, the thread's messages and incoming COM calls are dispatched,
 *   the splash (then not topmost) moves its dots and closes when Eureka is
 *   ready or has ended. A WM_QUIT seen there gives the start up (result 0,
 *   KXVM_OUTCOME_QUIT; Eureka runs on, its handles held) and is posted again
 *   for the host's own loop.
 *   Log lines, messages and results are those of the default launch.
 * KXVM_LAUNCH_END_WITH_HOST: the Eureka a launch starts ends when the host
 *   process ends, however it ends (crash and kill included): it is created
 *   suspended, put into a job of the library's, held for the process's life,
 *   and resumed. Destroying a launcher does not end it. */
#define KXVM_LAUNCH_RESPONSIVE 0x1u
#define KXVM_LAUNCH_END_WITH_HOST 0x2u
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_set_options(kxvm_launcher* launcher, uint32_t options);

/* The launch up to and including the version read, without the supervision:
 * result, outcome and exit_code as kxvm_launcher_launch gives them (outputs
 * may be null), KXVM_OUTCOME_STARTED
 * when Eureka runs and its version was read. The launcher then holds Eureka's
 * process handles and its automation link, which only this thread uses, so
 * that kxvm_launcher_close_all_and_exit from here asks Eureka to close and
 * exit. Blocks while Eureka starts. (1.1) */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_start(kxvm_launcher* launcher, int32_t* result,
                                                  int32_t* outcome, uint32_t* exit_code);
/* Waits up to timeout_ms (0 polls, 0xFFFFFFFF without limit) for the Eureka
 * the launcher started to end: ended 1 with its exit code, and then the
 * handles are closed and the link released, as supervision does; ended 0 when
 * it still runs. KXVM_NO_MATCH when the launcher holds no process. (1.1) */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_wait(kxvm_launcher* launcher, uint32_t timeout_ms,
                                                 int32_t* ended, uint32_t* exit_code);
/* A duplicate of the process handle of the Eureka the launcher holds, owned
 * by the caller (CloseHandle), to wait on with MsgWaitForMultipleObjects or
 * RegisterWaitForSingleObject. KXVM_NO_MATCH (and null) when it holds none. (1.1) */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_process_handle(kxvm_launcher* launcher, void** process);

/* The log's mode, fresh-file flag and line tag, as kxvm_log_set_mode. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_launcher_set_debug_mode(kxvm_launcher* launcher, int32_t mode,
                                                           int32_t fresh_log, const wchar_t* tag);

/* ---------------------------------------------------------------------- log */

#define KXVM_DEBUG_REGISTRY 0 /* follow the registry's switch */
#define KXVM_DEBUG_ON 1       /* log, and store 1 in the switch */
#define KXVM_DEBUG_OFF 2      /* do not log, and store 0 */

/* Stores the mode (any value; unknown ones change nothing), the fresh-file
 * flag and the tag (null: empty), then applies the registry switch. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_log_set_mode(int32_t mode, int32_t fresh_log,
                                                const wchar_t* tag);

/* Applies the stored mode to the registry switch and to the log. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_log_sync_flag(void);

/* Writes one time-stamped line when logging is on. written (may be null): 1
 * when logging is off or the line was written, 0 when no log file is open. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_log_write(const wchar_t* text, size_t length, int32_t* written);

/* ----------------------------------------------------------------- language */

/* The three-letter code Eureka is started with ("deu", "eng", ...). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_language_code(wchar_t** code);

/* -------------------------------------------------------------- environment */

/* The process-wide environment is created and initialised by the first call
 * of any function below, and by the first launch. Without a data folder in
 * the registry that first call shows message 1023 ("Error 203") and ends the
 * process with exit code 0, unless the host asked before (see below) that it
 * be reported: then it shows the message once and returns
 * KXVM_E_NO_DATA_FOLDER, as every later call does without a message, and a
 * launch returns result 0 with KXVM_OUTCOME_NO_DATA_FOLDER. Neither the log
 * calls, nor kxvm_launcher_close_all_and_exit, nor kxvm_support_report start
 * the environment. */

#define KXVM_MISSING_DATA_FOLDER_EXIT 0   /* message 1023 ("Error 203"), then the process ends (default) */
#define KXVM_MISSING_DATA_FOLDER_REPORT 1 /* message 1023 ("Error 203") once, then KXVM_E_NO_DATA_FOLDER */
/* What a missing data folder does. Only before the environment starts:
 * afterwards KXVM_E_TOO_LATE, and nothing changes. (1.1) */
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_set_missing_data_folder(int32_t mode);
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_instance(void);

/* Searches Eureka's folder again (product key, vendor key, installation
 * folder); found: 1 or 0. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_locate_eureka(int32_t* found);
/* Searches the data folder in its four registry places; found: 1 or 0. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_locate_data_path(int32_t* found);
/* One product key's data folder under root (HKEY_CURRENT_USER or
 * HKEY_LOCAL_MACHINE); found: 1 or 0. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_locate_sw_data_path(struct HKEY__* root, int32_t* found);
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_locate_se_data_path(struct HKEY__* root, int32_t* found);

/* Folders (ending in a backslash) and paths, owned by the caller; the
 * empty text when there is none. */
/* Eureka's folder from the product key: current user, then local machine. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_eureka_path(wchar_t** folder);
/* The same, local machine only. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_eureka_path_machine(wchar_t** folder);
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_data_path(wchar_t** folder);
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_eureka_exe_file_path(wchar_t** path);
KXVM_IMPORT int32_t KXVM_CALL kxvm_env_installation_path(wchar_t** folder);

/* ----------------------------------------------------------- support report */

#define KXVM_REPORT_JSON 0 /* for programs */
#define KXVM_REPORT_TEXT 1 /* aligned, one line per place, for a person */

/* Where everything is: every place the library searches, in its order, what
 * each holds and which one wins; made without starting anything, without
 * creating the environment, touching the log switch or writing a log line.
 * The JSON is one object:
 *   library: { path, file_version ("1.0.0.0"), interface_version ("1.0") }
 *   installation_folder: the library's folder (a folder, ending in "\")
 *   data_folder: { places: [place...], found: folder or null,
 *                  in_use: the folder this process's environment uses, or null
 *                          when it has not started }
 *   eureka: { places: [place...], executable: the Eureka.exe a launch
 *             checks, executable_present: true/false }
 *   language: { code ("deu"), source ("Language setting", "CAD host's Use
 *               English language option", "user's default language", "no
 *               usable Language setting"), setting: the stored Language or
 *               null, user_default_language: "0x0407" or null }
 *   log: { switch: { root, key, value, status ("found", "key missing",
 *                    "value missing", "too long"), type, number },
 *          file: the log file's full path, or null without a data folder }
 *   launch_would_start: a data folder is found and executable_present
 * A place: { source ("data folder", "product key", "vendor key",
 *   "installation folder"), root, key, value (registry places) or folder
 *   (the installation folder), status, type ("REG_SZ", ... or null), text
 *   (the value read, or null) }. status: "found", "key missing", "value
 *   missing", "empty", "too long", "not absolute", "access denied", "not
 *   consulted"; Eureka's places also "found, but no Eureka.exe there",
 *   "found, trusted without a check" (the vendor key) and, for the
 *   installation folder, "no Eureka.exe there". */
KXVM_IMPORT int32_t KXVM_CALL kxvm_support_report(int32_t format, wchar_t** report);

/* ------------------------------------------------------------- settings key */

/* A settings key: a registry key (root and path) with the typed values and
 * child keys declared for it, loaded or saved as a whole.
 *
 * Owned keys come from kxvm_key_create and kxvm_archive_read_key; destroy
 * each once. Borrowed keys: a key that a parent adopted (kxvm_key_add_key)
 * and a key found in a parent (kxvm_key_find_key) belong to that parent and
 * stay valid until the parent is destroyed or an archive read into the
 * parent (kxvm_key_serialize) replaces or discards them; never destroy one
 * (the library ignores such a call). */
typedef struct kxvm_key kxvm_key;

/* Kinds of value (kxvm_key_value_kind). */
#define KXVM_KIND_UNTYPED 0   /* a bare value, which only an archive can make */
#define KXVM_KIND_INT 1       /* signed 32-bit, REG_DWORD */
#define KXVM_KIND_COLOR 2     /* COLORREF, REG_DWORD */
#define KXVM_KIND_DOUBLE 3    /* REG_BINARY, 8 bytes */
#define KXVM_KIND_TEXT 4      /* REG_SZ */
#define KXVM_KIND_POINT 5     /* x y, REG_SZ text */
#define KXVM_KIND_RECT 6      /* left top right bottom, REG_SZ text */
#define KXVM_KIND_TIME 7      /* seconds since 1970-01-01 UTC, REG_SZ text, 64-bit */
#define KXVM_KIND_INT_ARRAY 8 /* REG_BINARY, 4 bytes an element */
#define KXVM_KIND_KEY 9       /* not a value: a settings key (kxvm_archive_read_object) */
#define KXVM_KIND_NONE (-1)   /* the null object (kxvm_archive_read_object) */

/* Runs when the library deletes a key that carries user data. */
typedef void(KXVM_CALL* kxvm_release_fn)(void* data);

/* A new key under HKEY_CURRENT_USER, owned by the caller. name labels it
 * among siblings and in archives; path is the registry path below the root. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_create(const wchar_t* name, const wchar_t* path,
                                              kxvm_key** key);
/* Deletes the key with its values and child keys. Null, and a borrowed key,
 * are ignored. */
KXVM_IMPORT void KXVM_CALL kxvm_key_destroy(kxvm_key* key);

KXVM_IMPORT int32_t KXVM_CALL kxvm_key_name(const kxvm_key* key, wchar_t** name);
/* Sets the registry root; previous (may be null) receives the one before.
 * The key never closes a root. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_root(kxvm_key* key, struct HKEY__* root,
                                                struct HKEY__** previous);

/* The parent adopts the child, an owned key: from then on the child is
 * borrowed (see above). A key cannot adopt itself, an ancestor, or a key
 * another parent holds, nor a key that would make the tree deeper than an
 * archive holds: 128 levels, counting a level for the values below every key
 * (so a chain takes 127 keys). A refused key stays the caller's. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_key(kxvm_key* parent, kxvm_key* child);
/* The first child key of that name, depth first from the most recently
 * added; borrowed. KXVM_NO_MATCH when there is none. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_find_key(kxvm_key* key, const wchar_t* name,
                                                kxvm_key** found);
/* The kind (KXVM_KIND_*) of the value that name finds, depth first from the
 * most recently declared. KXVM_NO_MATCH when there is none. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_value_kind(kxvm_key* key, const wchar_t* name,
                                                  int32_t* kind);

/* -------------------------------------------------------- children, values
 *
 * For a host that keeps objects of its own for a key's children (the C++
 * layer does). A value crosses as its kind and its archive form: the bytes
 * that follow its class record in an archive, its name in the archive's
 * string form, then its payload (README, "Archive format"). A kxvm_value is
 * borrowed from the key that holds it and stays valid until that key deletes
 * it: when the key is destroyed, or an archive read into it (kxvm_key_serialize,
 * kxvm_key_merge) replaces or discards the value. */
typedef struct kxvm_value kxvm_value;

/* The number of children, values and keys. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_child_count(const kxvm_key* key, size_t* count);
/* The child at index, 0 being the most recently added: a key (*child, borrowed;
 * *value null) or a value (*value; *child null). KXVM_NO_MATCH past the end. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_child(kxvm_key* key, size_t index, kxvm_key** child,
                                             kxvm_value** value);
/* The value that name finds (as kxvm_key_value_kind finds it). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_find_value(kxvm_key* key, const wchar_t* name,
                                                  kxvm_value** value);
/* Declares the value of that kind (KXVM_KIND_UNTYPED included) read from its
 * form, which must hold exactly one value. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_form(kxvm_key* key, int32_t kind, const uint8_t* form,
                                                size_t size);
/* An archive read whose list of children the caller has read itself: the
 * children of loaded, an owned key, in its order, are merged into key as
 * kxvm_key_serialize merges what it reads. loaded ends empty and stays the
 * caller's. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_merge(kxvm_key* key, kxvm_key* loaded);

KXVM_IMPORT int32_t KXVM_CALL kxvm_value_kind(const kxvm_value* value, int32_t* kind);
/* The value's form, owned by the caller. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_value_form(const kxvm_value* value, uint8_t** form,
                                              size_t* size);
/* Replaces the value's name and payload with those of the form, which must
 * be of the value's kind; a refused form changes nothing. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_value_set_form(kxvm_value* value, const uint8_t* form,
                                                  size_t size);
/* As kxvm_key_set_user_data, for a value. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_value_set_user_data(kxvm_value* value, void* data,
                                                       kxvm_release_fn release);
KXVM_IMPORT int32_t KXVM_CALL kxvm_value_user_data(const kxvm_value* value, void** data);

/* Every value and child key is attempted; result (may be null): 1 when all
 * succeeded, else 0. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_load(kxvm_key* key, int32_t* result);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_save(kxvm_key* key, int32_t* result);

/* The registry key root\path with KEY_ALL_ACCESS, or KEY_READ when
 * read_only; created when create is non-zero. *registry_key is null when it
 * cannot be opened; otherwise the caller closes it with RegCloseKey. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_open_registry_key(kxvm_key* key, int32_t create,
                                                         int32_t read_only,
                                                         struct HKEY__** registry_key);

/* Data of the caller's that lives as long as the key; release (may be null)
 * runs when the library deletes the key, on whichever thread deletes it.
 * release must not call the library for that key. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_user_data(kxvm_key* key, void* data,
                                                     kxvm_release_fn release);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_user_data(const kxvm_key* key, void** data);

/* Declaring a value: it goes to the front, so a later declaration of a name
 * shadows an earlier one in lookups. Nothing is written until a save. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_int(kxvm_key* key, const wchar_t* name, int32_t value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_color(kxvm_key* key, const wchar_t* name,
                                                 uint32_t value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_double(kxvm_key* key, const wchar_t* name, double value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_text(kxvm_key* key, const wchar_t* name,
                                                const wchar_t* text, size_t length);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_point(kxvm_key* key, const wchar_t* name, int32_t x,
                                                 int32_t y);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_rect(kxvm_key* key, const wchar_t* name, int32_t left,
                                                int32_t top, int32_t right, int32_t bottom);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_time(kxvm_key* key, const wchar_t* name,
                                                int64_t seconds);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_add_int_array(kxvm_key* key, const wchar_t* name,
                                                     const int32_t* values, size_t count);

/* The payload of the value that name finds, when it is of that kind;
 * otherwise KXVM_NO_MATCH and the outputs untouched. text and values are
 * owned by the caller (an empty array may come back as null). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_int(kxvm_key* key, const wchar_t* name, int32_t* value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_color(kxvm_key* key, const wchar_t* name,
                                                 uint32_t* value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_double(kxvm_key* key, const wchar_t* name,
                                                  double* value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_text(kxvm_key* key, const wchar_t* name, wchar_t** text,
                                                size_t* length);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_point(kxvm_key* key, const wchar_t* name, int32_t* x,
                                                 int32_t* y);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_rect(kxvm_key* key, const wchar_t* name, int32_t* left,
                                                int32_t* top, int32_t* right, int32_t* bottom);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_time(kxvm_key* key, const wchar_t* name,
                                                int64_t* seconds);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_get_int_array(kxvm_key* key, const wchar_t* name,
                                                     int32_t** values, size_t* count);

/* Replaces the payload in memory (until a save) of the value that name
 * finds, when it is of that kind; otherwise KXVM_NO_MATCH. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_int(kxvm_key* key, const wchar_t* name, int32_t value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_color(kxvm_key* key, const wchar_t* name,
                                                 uint32_t value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_double(kxvm_key* key, const wchar_t* name, double value);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_text(kxvm_key* key, const wchar_t* name,
                                                const wchar_t* text, size_t length);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_point(kxvm_key* key, const wchar_t* name, int32_t x,
                                                 int32_t y);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_rect(kxvm_key* key, const wchar_t* name, int32_t left,
                                                int32_t top, int32_t right, int32_t bottom);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_time(kxvm_key* key, const wchar_t* name,
                                                int64_t seconds);
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_set_int_array(kxvm_key* key, const wchar_t* name,
                                                     const int32_t* values, size_t count);

/* ------------------------------------------------------------------ archive */

/* An object archive over bytes, in the format documented in the README
 * ("Archive format"). One class table per archive is shared by every object
 * written or read through it. Storing: the archive collects what is written
 * until kxvm_archive_take hands it out. Loading: the archive reads from its
 * own copy of the bytes. */
typedef struct kxvm_archive kxvm_archive;

#define KXVM_ARCHIVE_STORE 0
#define KXVM_ARCHIVE_LOAD 1

/* A new archive, owned by the caller. Loading copies size bytes (bytes may
 * be null when size is 0); storing ignores both. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_create(int32_t mode, const uint8_t* bytes, size_t size,
                                                  kxvm_archive** archive);
/* Null is allowed. */
KXVM_IMPORT void KXVM_CALL kxvm_archive_destroy(kxvm_archive* archive);

/* Storing: the bytes written since the last take, owned by the caller (null
 * when none). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_take(kxvm_archive* archive, uint8_t** bytes,
                                                size_t* size);
/* Loading: the bytes not yet read (0 when storing). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_remaining(const kxvm_archive* archive,
                                                     size_t* remaining);

/* Plain bytes. A read takes exactly size bytes, or fails with the cause
 * END_OF_FILE and takes nothing. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_write(kxvm_archive* archive, const void* data,
                                                 size_t size);
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_read(kxvm_archive* archive, void* data, size_t size);

/* Text in the archive's string form; the text read is owned by the caller. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_write_string(kxvm_archive* archive, const wchar_t* text,
                                                        size_t length);
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_read_string(kxvm_archive* archive, wchar_t** text,
                                                       size_t* length);

/* A count in the archive's variable-length form. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_write_count(kxvm_archive* archive, uint64_t count);
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_read_count(kxvm_archive* archive, uint64_t* count);

/* A key as an object (class record, then its children); null writes the
 * null object. Reading gives a new key owned by the caller, or null for a
 * stored null; any other class is KXVM_ARCHIVE_CAUSE_BAD_CLASS. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_write_key(kxvm_archive* archive, const kxvm_key* key);
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_read_key(kxvm_archive* archive, kxvm_key** key);

/* A value as an object: its class record, then its form (see
 * kxvm_key_add_form). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_write_form(kxvm_archive* archive, int32_t kind,
                                                      const uint8_t* form, size_t size);
/* Any object: a key (*kind KXVM_KIND_KEY, *key a new key owned by the
 * caller), a value (*kind its KXVM_KIND_*, *form its form owned by the
 * caller), or the null object (*kind KXVM_KIND_NONE). The other outputs are
 * null (and *size 0). */
KXVM_IMPORT int32_t KXVM_CALL kxvm_archive_read_object(kxvm_archive* archive, int32_t* kind,
                                                       kxvm_key** key, uint8_t** form,
                                                       size_t* size);

/* The key's children, stored or loaded as the archive's direction says.
 * Loading takes only the names the key declares: a loaded child replaces
 * the declared one of its name (which is deleted, together with a borrowed
 * handle to it), undeclared names are discarded, declared names missing from
 * the archive are kept. A read that fails leaves the key as it was. */
KXVM_IMPORT int32_t KXVM_CALL kxvm_key_serialize(kxvm_key* key, kxvm_archive* archive);

#ifdef __cplusplus
}
#endif

#endif /* KXVM_H */
