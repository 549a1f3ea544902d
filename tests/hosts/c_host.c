/* A C host for the Microsoft ABI (clang, lld-link, ucrtbase): every function
 * of kxvm.h, failures included; one line per failed check, then a summary.
 * kxvm.h comes first: it must stand on its own in C. */
#include "kxvm.h"

#define COBJMACROS
#include <windows.h>
#include <ole2.h>
#include <stdio.h>
#include <string.h>

int _fltused; /* no C run-time start-up object defines it */

static const wchar_t kData[] = L"C:\\kxhost data\\";
static const wchar_t kProduct[] = L"Software\\Brondel\\Kalvex\\Kalvex 2023x64";
static const wchar_t kKeyPath[] = L"Software\\KXHost\\C";
static const wchar_t kNul[] = L"a\0b", kNul2[] = L"c\0de";
static int failures, checks;

#define CHECK(c) Check((c) != 0, __LINE__, #c)
static void Check(int ok, int line, const char* what) {
  ++checks;
  if (!ok) printf("FAILED line %d: %s\n", line, what), ++failures;
}

/* The thread's last error: code, detail, and a text (empty only for success). */
static int LastError(int32_t code, int32_t detail) {
  int32_t c = -99, d = -99;
  wchar_t* text = NULL;
  const int ok = kxvm_last_error(&c, &d, &text) == KXVM_OK && c == code && d == detail && text &&
                 !text[0] == (code == KXVM_OK);
  kxvm_free(text);
  return ok;
}
/* A failed call: the code, and the thread's last error with it. */
static int Failed(int32_t result, int32_t code, int32_t detail) {
  return result == code && LastError(code, detail);
}
/* The last error's text names the function. */
static int Names(const wchar_t* function) {
  wchar_t* text = NULL;
  const size_t n = wcslen(function);
  const int ok = kxvm_last_error(NULL, NULL, &text) == KXVM_OK && text &&
                 !wcsncmp(text, function, n) && text[n] == L':';
  kxvm_free(text);
  return ok;
}
/* Text handed out: length, content and the NUL after it; released here. */
static int Text(wchar_t* text, size_t length, const wchar_t* want, size_t wantLength) {
  const int ok = text && length == wantLength && !memcmp(text, want, length * 2) && !text[length];
  kxvm_free(text);
  return ok;
}

/* The description the thread's COM error object carries. */
static int ErrorInfoSays(const wchar_t* want) {
  IErrorInfo* info = NULL;
  BSTR text = NULL;
  const int ok = GetErrorInfo(0, &info) == S_OK && IErrorInfo_GetDescription(info, &text) == S_OK &&
                 !wcscmp(text, want);
  SysFreeString(text);
  if (info) IErrorInfo_Release(info);
  return ok;
}

static void KXVM_CALL CountRelease(void* data) { ++*(int*)data; }

/* ------------------------------------------------- an automation object */

typedef struct {
  IDispatch iface;
  LONG refs;
  DISPID member;
  WORD flags;
  UINT arguments;
  int askedForResult;
  HRESULT answer;
} Fake;
static HRESULT STDMETHODCALLTYPE FakeQuery(IDispatch* d, REFIID iid, void** out) {
  *out = IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch) ? d : NULL;
  if (!*out) return E_NOINTERFACE;
  IDispatch_AddRef(d);
  return S_OK;
}
static ULONG STDMETHODCALLTYPE FakeAddRef(IDispatch* d) { return ++((Fake*)d)->refs; }
static ULONG STDMETHODCALLTYPE FakeRelease(IDispatch* d) { return --((Fake*)d)->refs; }
static HRESULT STDMETHODCALLTYPE FakeInvoke(IDispatch* d, DISPID member, REFIID r, LCID l, WORD f,
                                            DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) {
  Fake* fake = (Fake*)d;
  fake->member = member;
  fake->flags = f;
  fake->arguments = p->cArgs + p->cNamedArgs;
  fake->askedForResult = v != NULL;
  if (fake->answer == DISP_E_EXCEPTION && e) {
    memset(e, 0, sizeof *e);
    e->bstrDescription = SysAllocString(L"Busy");
    e->scode = E_FAIL;
  }
  return fake->answer;
}
/* The library calls nothing of IDispatch but Invoke. */
static IDispatchVtbl kFakeVtbl = {FakeQuery, FakeAddRef, FakeRelease, NULL, NULL, NULL, FakeInvoke};

static DWORD WINAPI CloseAllFromAnotherThread(void* launcher) {
  return (DWORD)kxvm_launcher_close_all_and_exit(launcher);
}

/* --------------------------------------------------------------- checks */

static void Environment(void) {
  wchar_t install[MAX_PATH], exe[MAX_PATH], *text = NULL;
  DWORD got = GetModuleFileNameW(NULL, install, MAX_PATH);
  int32_t found = -1, written = -1;
  int i;
  wcsrchr(install, L'\\')[1] = 0;
  wcscat(wcscpy(exe, install), L"Eureka.exe");
  const struct {
    int32_t(KXVM_CALL* get)(wchar_t**);
    const wchar_t* want;
  } texts[] = {{kxvm_env_data_path, kData},          {kxvm_env_installation_path, install},
               {kxvm_env_eureka_exe_file_path, exe}, {kxvm_env_eureka_path, kData},
               {kxvm_env_eureka_path_machine, L""},  {kxvm_language_code, L"deu"}};

  /* The user's own folder for Eureka (no Eureka.exe there) is never the machine's. */
  RegSetKeyValueW(HKEY_CURRENT_USER, kProduct, L"EurekaExePath", REG_SZ, kData, sizeof kData);
  CHECK(got > 0 && kxvm_env_instance() == KXVM_OK);
  CHECK(Failed(kxvm_env_set_missing_data_folder(KXVM_MISSING_DATA_FOLDER_REPORT), KXVM_E_TOO_LATE,
               0));
  CHECK(Failed(kxvm_env_set_missing_data_folder(2), KXVM_E_INVALID_ARGUMENT, 0));
  CHECK(kxvm_env_locate_se_data_path(HKEY_CURRENT_USER, &found) == KXVM_OK && found == 0);
  CHECK(kxvm_env_locate_sw_data_path(HKEY_CURRENT_USER, &found) == KXVM_OK && found == 1);
  CHECK(kxvm_env_locate_data_path(&found) == KXVM_OK && found == 1);
  CHECK(kxvm_env_locate_eureka(&found) == KXVM_OK && found == 1);
  for (i = 0; i < 6; ++i, text = NULL)
    CHECK(texts[i].get(&text) == KXVM_OK && text &&
          Text(text, wcslen(text), texts[i].want, wcslen(texts[i].want)));
  CHECK(kxvm_support_report(KXVM_REPORT_JSON, &text) == KXVM_OK && text &&
        wcsstr(text, L"\"in_use\":\"C:\\\\kxhost data\\\\\"") &&
        wcsstr(text, L"\"launch_would_start\":true"));
  kxvm_free(text);
  text = NULL;
  CHECK(Failed(kxvm_support_report(7, &text), KXVM_E_INVALID_ARGUMENT, 0) && !text);

  CHECK(kxvm_log_set_mode(KXVM_DEBUG_ON, 1, L"CHost") == KXVM_OK && kxvm_log_sync_flag() == KXVM_OK);
  CHECK(kxvm_log_write(L"from C\0after", 12, &written) == KXVM_OK && written == 1);
}

static void Launches(void) {
  kxvm_launcher *launcher = NULL, *copy = NULL;
  int32_t result = -1, outcome = -1;
  uint32_t code = 99;
  Fake fake = {{&kFakeVtbl}, 1, 0, 0, 0, 0, DISP_E_EXCEPTION};
  HANDLE thread;
  void* process = NULL;
  int32_t ended = -1;
  DWORD exit = 1;

  CHECK(kxvm_launcher_create(&launcher) == KXVM_OK);
  CHECK(kxvm_launcher_set_debug_mode(launcher, KXVM_DEBUG_ON, 0, L"CHost") == KXVM_OK);
  SetEnvironmentVariableW(L"EUREKA_STANDIN_API_VERSION", L"exception");
  CHECK(Failed(kxvm_launcher_launch(launcher, &result, &outcome, &code), KXVM_E_AUTOMATION,
               DISP_E_EXCEPTION) && outcome == KXVM_OUTCOME_AUTOMATION_FAILED &&
        ErrorInfoSays(L"The interface version is not available"));

  SetEnvironmentVariableW(L"EUREKA_STANDIN_API_VERSION", NULL);
  SetEnvironmentVariableW(L"EUREKA_STANDIN_EXIT_CODE", L"7");
  CHECK(kxvm_launcher_launch(launcher, &result, &outcome, &code) == KXVM_OK &&
        LastError(KXVM_OK, 0) && result == 1 && outcome == KXVM_OUTCOME_SUPERVISED && code == 7);

  /* Started responsively, then supervised by the host: a poll, its own wait, ours. */
  CHECK(Failed(kxvm_launcher_set_options(launcher, 4), KXVM_E_INVALID_ARGUMENT, 0));
  CHECK(kxvm_launcher_set_options(launcher, KXVM_LAUNCH_RESPONSIVE) == KXVM_OK);
  CHECK(kxvm_launcher_start(launcher, &result, &outcome, NULL) == KXVM_OK && result == 1 &&
        outcome == KXVM_OUTCOME_STARTED);
  CHECK(kxvm_launcher_process_handle(launcher, &process) == KXVM_OK && process);
  CHECK(kxvm_launcher_wait(launcher, 0, &ended, &code) == KXVM_OK && !ended);
  CHECK(WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && CloseHandle(process));
  CHECK(kxvm_launcher_wait(launcher, 0xFFFFFFFF, &ended, &code) == KXVM_OK && ended && code == 7);
  CHECK(kxvm_launcher_wait(launcher, 0, &ended, &code) == KXVM_NO_MATCH &&
        kxvm_launcher_process_handle(launcher, &process) == KXVM_NO_MATCH && !process);
  CHECK(kxvm_launcher_set_options(launcher, 0) == KXVM_OK);

  /* The link: one reference, shared by a launcher and its copies, used only on
   * its own thread, kept on a failure, released after CloseAllDocumentsAndExit
   * (no arguments, no result). */
  CHECK(kxvm_launcher_set_automation(launcher, &fake.iface) == KXVM_OK && fake.refs == 2);
  CHECK(kxvm_launcher_clone(launcher, &copy) == KXVM_OK);
  kxvm_launcher_destroy(copy);
  CHECK(fake.refs == 2);
  thread = CreateThread(NULL, 0, CloseAllFromAnotherThread, launcher, 0, NULL);
  CHECK(WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &exit) &&
        exit == KXVM_OK && fake.member == 0);
  CloseHandle(thread);
  CHECK(Failed(kxvm_launcher_close_all_and_exit(launcher), KXVM_E_AUTOMATION, DISP_E_EXCEPTION));
  CHECK(fake.member == 46 && fake.flags == DISPATCH_METHOD && fake.arguments == 0 &&
        !fake.askedForResult && fake.refs == 2 && ErrorInfoSays(L"Busy"));
  fake.answer = S_OK;
  CHECK(kxvm_launcher_close_all_and_exit(launcher) == KXVM_OK && fake.refs == 1);
  CHECK(kxvm_launcher_set_automation(launcher, &fake.iface) == KXVM_OK && fake.refs == 2);
  CHECK(kxvm_launcher_set_automation(launcher, NULL) == KXVM_OK && fake.refs == 1);
  kxvm_launcher_destroy(launcher);
  kxvm_launcher_destroy(NULL);
}

/* Every kind declared (or replaced) with payloads made from v. */
#define DECLARE(add, set, ...) CHECK((replace ? set : add)(k, __VA_ARGS__) == KXVM_OK)
static void Declare(kxvm_key* k, int v, int replace) {
  const int32_t array[] = {v, -8, 9};
  DECLARE(kxvm_key_add_int, kxvm_key_set_int, L"i", 5 + v);
  DECLARE(kxvm_key_add_color, kxvm_key_set_color, L"c", 0x102030u + v);
  DECLARE(kxvm_key_add_double, kxvm_key_set_double, L"d", 2.5 + v);
  DECLARE(kxvm_key_add_text, kxvm_key_set_text, L"t", replace ? kNul2 : kNul, replace ? 4 : 3);
  DECLARE(kxvm_key_add_point, kxvm_key_set_point, L"p", 1 + v, -2);
  DECLARE(kxvm_key_add_rect, kxvm_key_set_rect, L"r", v, -2, 3, 4 + v);
  DECLARE(kxvm_key_add_time, kxvm_key_set_time, L"m", 1700000000 + v);
  DECLARE(kxvm_key_add_int_array, kxvm_key_set_int_array, L"a", array, 3);
}

/* The payloads Declare gave, with the text expected. */
static void Verify(kxvm_key* k, int v, const wchar_t* want, size_t wantLength) {
  int32_t i = 0, x = 0, y = 0, l = 0, t = 0, r = 0, b = 0, *array = NULL;
  uint32_t c = 0;
  double d = 0;
  int64_t m = 0;
  wchar_t* text = NULL;
  size_t length = 0, count = 0;
  CHECK(kxvm_key_get_int(k, L"i", &i) == KXVM_OK && i == 5 + v);
  CHECK(kxvm_key_get_color(k, L"c", &c) == KXVM_OK && c == 0x102030u + v);
  CHECK(kxvm_key_get_double(k, L"d", &d) == KXVM_OK && d == 2.5 + v);
  CHECK(kxvm_key_get_text(k, L"t", &text, &length) == KXVM_OK &&
        Text(text, length, want, wantLength));
  CHECK(kxvm_key_get_point(k, L"p", &x, &y) == KXVM_OK && x == 1 + v && y == -2);
  CHECK(kxvm_key_get_rect(k, L"r", &l, &t, &r, &b) == KXVM_OK && l == v && t == -2 && r == 3 &&
        b == 4 + v);
  CHECK(kxvm_key_get_time(k, L"m", &m) == KXVM_OK && m == 1700000000 + v);
  CHECK(kxvm_key_get_int_array(k, L"a", &array, &count) == KXVM_OK && count == 3 && array[0] == v &&
        array[1] == -8 && array[2] == 9);
  kxvm_free(array);
}

static void Archives(kxvm_key* key) {
  kxvm_archive *out = NULL, *in = NULL;
  kxvm_key *back = NULL, *none = NULL, *fresh = NULL;
  uint8_t *bytes = NULL, two[2] = {0};
  wchar_t* text = NULL;
  size_t size = 0, length = 0, rest = 1;
  uint64_t count = 0;
  int32_t kind = -1;

  CHECK(kxvm_archive_create(KXVM_ARCHIVE_STORE, NULL, 0, &out) == KXVM_OK);
  CHECK(kxvm_archive_write(out, "\1\2", 2) == KXVM_OK &&
        kxvm_archive_write_string(out, kNul, 3) == 0 && kxvm_archive_write_count(out, 70000) == 0);
  CHECK(kxvm_archive_write_key(out, key) == KXVM_OK &&
        kxvm_archive_write_key(out, NULL) == KXVM_OK);
  CHECK(kxvm_key_serialize(key, out) == KXVM_OK);
  CHECK(kxvm_archive_remaining(out, &rest) == KXVM_OK && rest == 0);
  CHECK(kxvm_archive_take(out, &bytes, &size) == KXVM_OK && bytes && size > 100);
  kxvm_archive_destroy(out);

  CHECK(kxvm_archive_create(KXVM_ARCHIVE_LOAD, bytes, size, &in) == KXVM_OK);
  kxvm_free(bytes);
  CHECK(kxvm_archive_remaining(in, &rest) == KXVM_OK && rest == size);
  CHECK(kxvm_archive_read(in, two, 2) == KXVM_OK && two[0] == 1 && two[1] == 2);
  CHECK(kxvm_archive_read_string(in, &text, &length) == KXVM_OK && Text(text, length, kNul, 3));
  CHECK(kxvm_archive_read_count(in, &count) == KXVM_OK && count == 70000);
  /* A new key declares nothing, so it takes none of the stored children. */
  CHECK(kxvm_archive_read_key(in, &back) == KXVM_OK && back &&
        kxvm_key_value_kind(back, L"i", &kind) == KXVM_NO_MATCH);
  none = back;
  CHECK(kxvm_archive_read_key(in, &none) == KXVM_OK && !none);
  /* Only the declared names are taken. */
  CHECK(kxvm_key_create(L"Fresh", kKeyPath, &fresh) == KXVM_OK);
  Declare(fresh, 0, 0);
  CHECK(kxvm_key_serialize(fresh, in) == KXVM_OK);
  Verify(fresh, 1, kNul2, 4);
  CHECK(kxvm_archive_remaining(in, &rest) == KXVM_OK && rest == 0);
  CHECK(Failed(kxvm_archive_read(in, two, 1), KXVM_E_ARCHIVE, KXVM_ARCHIVE_CAUSE_END_OF_FILE));
  kxvm_archive_destroy(in);
  kxvm_key_destroy(back);
  kxvm_key_destroy(fresh);
  kxvm_archive_destroy(NULL);
}

/* Children and values as the C++ layer reaches them: listed, found, handed
 * over as archive forms, merged, and archived as objects. */
static void Children(kxvm_key* key) {
  kxvm_key *child = NULL, *fresh = NULL, *loaded = NULL, *read = NULL;
  kxvm_value *value = NULL, *i = NULL;
  kxvm_archive* ar = NULL;
  uint8_t *form = NULL, *bytes = NULL, *again = NULL;
  size_t count = 0, size = 0, n = 0, length = 0;
  int32_t kind = -1, got = 0;
  void* data = NULL;
  int released = 0;

  CHECK(kxvm_key_child_count(key, &count) == KXVM_OK && count == 9);
  CHECK(kxvm_key_child(key, 0, &child, &value) == KXVM_OK && child && !value);
  CHECK(kxvm_key_child(key, 1, &child, &value) == KXVM_OK && !child && value);
  CHECK(kxvm_value_kind(value, &kind) == KXVM_OK && kind == KXVM_KIND_INT_ARRAY);
  CHECK(kxvm_key_child(key, 9, &child, &value) == KXVM_NO_MATCH);
  CHECK(kxvm_key_find_value(key, L"i", &i) == KXVM_OK && kxvm_key_find_value(key, L"?", &value) ==
        KXVM_NO_MATCH && value != i);
  CHECK(kxvm_value_form(i, &form, &size) == KXVM_OK && size == 4 + 2 + 4);
  /* A form that ends early changes nothing; a whole one renames and replaces. */
  CHECK(Failed(kxvm_value_set_form(i, form, size - 1), KXVM_E_ARCHIVE,
               KXVM_ARCHIVE_CAUSE_END_OF_FILE));
  form[4] = 'j';
  CHECK(kxvm_value_set_form(i, form, size) == KXVM_OK && kxvm_key_get_int(key, L"j", &got) ==
        KXVM_OK && got == 6 && kxvm_key_get_int(key, L"i", &got) == KXVM_NO_MATCH);
  form[4] = 'i';
  CHECK(kxvm_value_set_form(i, form, size) == KXVM_OK);
  CHECK(Failed(kxvm_key_add_form(key, 12, form, size), KXVM_E_INVALID_ARGUMENT, 0));

  /* A merge takes the declared names only; the loaded key ends empty. */
  CHECK(kxvm_key_create(L"Fresh", kKeyPath, &fresh) == KXVM_OK &&
        kxvm_key_add_int(fresh, L"i", 0) == KXVM_OK && kxvm_key_add_text(fresh, L"k", L"x", 1) == 0);
  CHECK(kxvm_key_find_value(fresh, L"i", &value) == KXVM_OK &&
        kxvm_value_set_user_data(value, &released, CountRelease) == KXVM_OK &&
        kxvm_value_user_data(value, &data) == KXVM_OK && data == &released);
  CHECK(kxvm_key_create(L"Loaded", kKeyPath, &loaded) == KXVM_OK &&
        kxvm_key_add_form(loaded, KXVM_KIND_INT, form, size) == KXVM_OK &&
        kxvm_key_add_int(loaded, L"undeclared", 1) == KXVM_OK);
  CHECK(Failed(kxvm_key_merge(fresh, fresh), KXVM_E_INVALID_ARGUMENT, 0));
  CHECK(kxvm_key_merge(fresh, loaded) == KXVM_OK && released == 1);
  CHECK(kxvm_key_get_int(fresh, L"i", &got) == KXVM_OK && got == 6 &&
        kxvm_key_value_kind(fresh, L"k", &kind) == KXVM_OK &&
        kxvm_key_value_kind(fresh, L"undeclared", &kind) == KXVM_NO_MATCH &&
        kxvm_key_child_count(loaded, &n) == KXVM_OK && n == 0);

  /* Values as objects beside a key and a null. */
  CHECK(kxvm_archive_create(KXVM_ARCHIVE_STORE, NULL, 0, &ar) == KXVM_OK);
  CHECK(kxvm_archive_write_form(ar, KXVM_KIND_INT, form, size) == KXVM_OK &&
        kxvm_archive_write_key(ar, fresh) == KXVM_OK && kxvm_archive_write_key(ar, NULL) == 0);
  CHECK(Failed(kxvm_archive_write_form(ar, KXVM_KIND_TEXT, form, size), KXVM_E_ARCHIVE,
               KXVM_ARCHIVE_CAUSE_END_OF_FILE));
  CHECK(kxvm_archive_take(ar, &bytes, &length) == KXVM_OK);
  kxvm_archive_destroy(ar);
  /* A value is never handed out as a key. */
  CHECK(kxvm_archive_create(KXVM_ARCHIVE_LOAD, bytes, length, &ar) == KXVM_OK &&
        Failed(kxvm_archive_read_key(ar, &read), KXVM_E_ARCHIVE, KXVM_ARCHIVE_CAUSE_BAD_CLASS) &&
        !read);
  kxvm_archive_destroy(ar);
  CHECK(kxvm_archive_create(KXVM_ARCHIVE_LOAD, bytes, length, &ar) == KXVM_OK);
  CHECK(kxvm_archive_read_object(ar, &kind, &read, &again, &n) == KXVM_OK &&
        kind == KXVM_KIND_INT && !read && n == size && !memcmp(again, form, size));
  kxvm_free(again);
  CHECK(kxvm_archive_read_object(ar, &kind, &read, &again, &n) == KXVM_OK &&
        kind == KXVM_KIND_KEY && read && !again && !n);
  kxvm_key_destroy(read);
  CHECK(kxvm_archive_read_object(ar, &kind, &read, &again, &n) == KXVM_OK &&
        kind == KXVM_KIND_NONE && !read);
  kxvm_archive_destroy(ar);
  kxvm_free(bytes);
  kxvm_free(form);
  kxvm_key_destroy(loaded);
  kxvm_key_destroy(fresh);
}

/* A chain of keys is refused where an archive could no longer hold it; the
 * deepest one accepted, a value at its bottom, is found, written and read. */
static void Depth(void) {
  kxvm_key *root = NULL, *k = NULL, *next = NULL, *read = NULL;
  kxvm_archive* ar = NULL;
  uint8_t* bytes = NULL;
  size_t size = 0;
  int32_t n = 0, got = 0;
  CHECK(kxvm_key_create(L"1", kKeyPath, &root) == KXVM_OK);
  for (k = root, n = 1; n < 1000 && kxvm_key_create(L"k", kKeyPath, &next) == KXVM_OK; ++n, k = next)
    if (kxvm_key_add_key(k, next) != KXVM_OK) break;
  CHECK(n == 127 && LastError(KXVM_E_INVALID_ARGUMENT, 0) && Names(L"kxvm_key_add_key"));
  kxvm_key_destroy(next); /* refused: still the caller's */
  CHECK(kxvm_key_add_int(k, L"deep", 5) == KXVM_OK && kxvm_key_get_int(root, L"deep", &got) == 0 &&
        got == 5);
  CHECK(kxvm_archive_create(KXVM_ARCHIVE_STORE, NULL, 0, &ar) == KXVM_OK &&
        kxvm_archive_write_key(ar, root) == KXVM_OK && kxvm_archive_take(ar, &bytes, &size) == 0);
  kxvm_archive_destroy(ar);
  CHECK(kxvm_archive_create(KXVM_ARCHIVE_LOAD, bytes, size, &ar) == KXVM_OK &&
        kxvm_archive_read_key(ar, &read) == KXVM_OK && read);
  kxvm_archive_destroy(ar);
  kxvm_free(bytes);
  kxvm_key_destroy(read);
  kxvm_key_destroy(root);
}

static void Keys(void) {
  static const struct {
    const wchar_t* name;
    int32_t kind;
  } kinds[] = {{L"i", KXVM_KIND_INT},  {L"c", KXVM_KIND_COLOR},    {L"d", KXVM_KIND_DOUBLE},
               {L"t", KXVM_KIND_TEXT}, {L"p", KXVM_KIND_POINT},    {L"r", KXVM_KIND_RECT},
               {L"m", KXVM_KIND_TIME}, {L"a", KXVM_KIND_INT_ARRAY}};
  kxvm_key *key = NULL, *loaded = NULL, *child = NULL, *found = NULL;
  HKEY previous = NULL, registry = NULL;
  wchar_t *name = NULL, *text = NULL, stored[8] = {0};
  DWORD type = 0, bytes = sizeof stored;
  void* data = NULL;
  int32_t result = -1, kind = -1, i = 42;
  size_t length = 0;
  int released = 0, n;

  CHECK(kxvm_key_create(L"Root", kKeyPath, &key) == KXVM_OK);
  CHECK(kxvm_key_name(key, &name) == KXVM_OK && Text(name, wcslen(name), L"Root", 4));
  CHECK(kxvm_key_set_root(key, HKEY_CURRENT_USER, &previous) == KXVM_OK &&
        previous == HKEY_CURRENT_USER);
  Declare(key, 0, 0);
  for (n = 0; n < 8; ++n)
    CHECK(kxvm_key_value_kind(key, kinds[n].name, &kind) == KXVM_OK && kind == kinds[n].kind);
  Verify(key, 0, kNul, 3);
  /* No match: outputs untouched, an earlier failure cleared. */
  CHECK(Failed(kxvm_key_get_int(NULL, L"i", &i), KXVM_E_INVALID_ARGUMENT, 0));
  CHECK(kxvm_key_get_int(key, L"t", &i) == KXVM_NO_MATCH && i == 42 && LastError(KXVM_OK, 0));
  CHECK(kxvm_key_value_kind(key, L"none", &kind) == KXVM_NO_MATCH && kind == KXVM_KIND_INT_ARRAY);
  CHECK(kxvm_key_get_text(key, L"i", &text, &length) == KXVM_NO_MATCH && !text && !length);
  CHECK(kxvm_key_set_int(key, L"none", 1) == KXVM_NO_MATCH);
  CHECK(kxvm_key_set_int(key, L"t", 1) == KXVM_NO_MATCH &&
        kxvm_key_set_text(key, L"i", L"", 0) == KXVM_NO_MATCH);
  Declare(key, 1, 1);
  Verify(key, 1, kNul2, 4);

  /* Adopted, a key is borrowed: its destroy is ignored, the parent's runs its release. */
  CHECK(kxvm_key_create(L"Child", L"Software\\KXHost\\C\\Child", &child) == KXVM_OK);
  CHECK(kxvm_key_set_user_data(child, &released, CountRelease) == KXVM_OK);
  CHECK(kxvm_key_add_key(key, child) == KXVM_OK);
  kxvm_key_destroy(child);
  CHECK(kxvm_key_user_data(child, &data) == KXVM_OK && data == &released && !released);
  CHECK(kxvm_key_find_key(key, L"Child", &found) == KXVM_OK && found == child);
  CHECK(kxvm_key_find_key(key, L"none", &found) == KXVM_NO_MATCH && found == child);
  CHECK(Failed(kxvm_key_add_key(child, key), KXVM_E_INVALID_ARGUMENT, 0));
  CHECK(kxvm_key_create(L"Loaded", kKeyPath, &loaded) == KXVM_OK &&
        Failed(kxvm_key_add_key(loaded, child), KXVM_E_INVALID_ARGUMENT, 0));

  /* Read only, a missing key is not made; the registry holds the text whole, writable when
   * made; a load reads the text to its first NUL. */
  CHECK(kxvm_key_open_registry_key(key, 0, 1, &registry) == KXVM_OK && !registry);
  CHECK(kxvm_key_save(key, &result) == KXVM_OK && result == 1);
  CHECK(kxvm_key_open_registry_key(key, 0, 1, &registry) == KXVM_OK && registry);
  CHECK(RegQueryValueExW(registry, L"t", NULL, &type, (BYTE*)stored, &bytes) == ERROR_SUCCESS &&
        type == REG_SZ && bytes == sizeof kNul2 && !memcmp(stored, kNul2, sizeof kNul2));
  CHECK(RegSetValueExW(registry, L"w", 0, REG_DWORD, (BYTE*)stored, 4) == ERROR_ACCESS_DENIED);
  RegCloseKey(registry);
  CHECK(kxvm_key_open_registry_key(key, 1, 0, &registry) == KXVM_OK && registry &&
        RegSetValueExW(registry, L"w", 0, REG_DWORD, (BYTE*)stored, 4) == 0 &&
        RegDeleteValueW(registry, L"w") == 0);
  RegCloseKey(registry);
  Declare(loaded, 0, 0);
  CHECK(kxvm_key_load(loaded, &result) == KXVM_OK && result == 1);
  Verify(loaded, 1, L"c", 1);
  kxvm_key_destroy(loaded);

  Children(key);
  Depth();
  Archives(key);
  kxvm_key_destroy(key);
  CHECK(released == 1);
  kxvm_key_destroy(NULL);
}

static void InvalidArguments(void) {
  kxvm_key *key = NULL, *k = NULL;
  kxvm_archive* archive = NULL;
  int32_t i = 0;
  const int32_t results[] = {kxvm_launcher_create(NULL),
                             kxvm_launcher_launch(NULL, &i, &i, NULL),
                             kxvm_key_create(NULL, kKeyPath, &key),
                             kxvm_archive_create(9, NULL, 0, &archive),
                             kxvm_archive_create(KXVM_ARCHIVE_LOAD, NULL, 4, &archive),
                             kxvm_archive_read(NULL, &i, 4),
                             kxvm_env_data_path(NULL),
                             kxvm_log_write(NULL, 2, &i)};
  for (i = 0; i < 8; ++i) CHECK(Failed(results[i], KXVM_E_INVALID_ARGUMENT, 0));
  /* Destroying changes no last error. */
  kxvm_key_destroy(NULL), kxvm_archive_destroy(NULL), kxvm_launcher_destroy(NULL);
  CHECK(!key && !archive && LastError(KXVM_E_INVALID_ARGUMENT, 0));
  /* A length beyond any text or array is refused as such, under its own name. */
  CHECK(kxvm_key_create(L"k", kKeyPath, &k) == KXVM_OK);
#define HUGE(f, args) CHECK(Failed(f args, KXVM_E_INVALID_ARGUMENT, 0) && Names(L"" #f))
  HUGE(kxvm_key_add_text, (k, L"t", L"x", SIZE_MAX));
  HUGE(kxvm_key_set_text, (k, L"t", L"x", SIZE_MAX));
  HUGE(kxvm_key_add_int_array, (k, L"a", &i, SIZE_MAX));
  HUGE(kxvm_key_set_int_array, (k, L"a", &i, SIZE_MAX));
  HUGE(kxvm_log_write, (L"x", SIZE_MAX, &i));
  kxvm_key_destroy(k);
}

void __stdcall HostMain(void) {
  HKEY debug = NULL;
  const uint32_t version = kxvm_api_version();
  setvbuf(stdout, NULL, _IONBF, 0); /* lines written before a crash stay */
  CreateDirectoryW(L"C:\\kxhost data", NULL);
  RegSetKeyValueW(HKEY_CURRENT_USER, kProduct, L"KXDataPath", REG_SZ, kData, sizeof kData);
  RegSetKeyValueW(HKEY_CURRENT_USER, kProduct, L"Language", REG_SZ, L"German", sizeof L"German");
  RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Brondel\\Kalvex\\Debug", &debug);
  RegCloseKey(debug);
  /* Alive past the launcher's first look for it, a second after the start. */
  SetEnvironmentVariableW(L"EUREKA_STANDIN_LIFETIME_MS", L"1500");
  SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");

  CHECK(version >> 16 == KXVM_API_VERSION_MAJOR && (version & 0xFFFF) >= KXVM_API_VERSION_MINOR);
  kxvm_free(NULL);
  InvalidArguments();
  Environment();
  Keys();
  Launches();
  printf("%s: %d checks, %d failed\n", failures ? "FAILED" : "PASSED", checks, failures);
  ExitProcess(failures != 0);
}
