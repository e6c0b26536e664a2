// Linked into the desktop program, not into its library: the thread sanitizer looks this hook
// up by name at start-up. (The tests have their own, in tests/support, with the same lines.)
//
// Qt, D-Bus and GLib are not built with the sanitizer, and Qt's own threads (its thread pool,
// which draws and converts images, and the D-Bus connection thread) synchronise through
// futex-based locks the sanitizer cannot see. It then reports the memory those threads hand
// each other as races. The calls these libraries make into the sanitizer's interceptors are
// ignored; every access and every lock of our own code is still checked, and our code never
// hands data across threads through Qt (see QtPrompter). The sound server's client library,
// which ALSA's "pulse" device loads, is in the same position.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:*libQt6Core.so*\n"
           "called_from_lib:*libQt6Gui.so*\n"
           "called_from_lib:*libQt6DBus.so*\n"
           "called_from_lib:*libdbus-1.so*\n"
           "called_from_lib:*libglib-2.0.so*\n"
           "called_from_lib:*libpulsecommon*\n"
           "called_from_lib:*libpulse.so*\n";
}
#endif
