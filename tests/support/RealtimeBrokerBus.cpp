#include "support/RealtimeBrokerBus.h"

#include <dbus/dbus.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace tarnwick::test {

namespace {

constexpr const char* kBroker = "/usr/libexec/rtkit-daemon";
constexpr auto kStartTimeout = std::chrono::seconds(20);

// Open to every user: the broker runs as its own user and the tests' clients as nobody.
constexpr const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

DBusConnection* Connect(const std::string& address) {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* c = dbus_connection_open_private(address.c_str(), &error);
    if (c != nullptr && !dbus_bus_register(c, &error)) {
        dbus_connection_close(c);
        dbus_connection_unref(c);
        c = nullptr;
    }
    dbus_error_free(&error);
    return c;
}

void Disconnect(DBusConnection* c) {
    dbus_connection_close(c);
    dbus_connection_unref(c);
}

// The answer to CheckAuthorization: (is authorized, is challenge, details).
void Answer(DBusConnection* c, DBusMessage* call, bool grant) {
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter iter, result, details;
    const dbus_bool_t authorized = grant ? TRUE : FALSE;
    const dbus_bool_t challenge = FALSE;
    dbus_message_iter_init_append(reply, &iter);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_STRUCT, nullptr, &result);
    dbus_message_iter_append_basic(&result, DBUS_TYPE_BOOLEAN, &authorized);
    dbus_message_iter_append_basic(&result, DBUS_TYPE_BOOLEAN, &challenge);
    dbus_message_iter_open_container(&result, DBUS_TYPE_ARRAY, "{ss}", &details);
    dbus_message_iter_close_container(&result, &details);
    dbus_message_iter_close_container(&iter, &result);
    dbus_connection_send(c, reply, nullptr);
    dbus_message_unref(reply);
}

}  // namespace

bool RealtimeBrokerBus::Usable(std::string* why) {
    if (geteuid() != 0) {
        *why = "starting the real-time broker needs root";
        return false;
    }
    if (!OnPath("dbus-daemon") || access(kBroker, X_OK) != 0 || !OnPath("setpriv")) {
        *why =
            "dbus-daemon, rtkit-daemon and setpriv (Debian: dbus-daemon rtkit util-linux) are "
            "not installed";
        return false;
    }
    return true;
}

RealtimeBrokerBus::RealtimeBrokerBus() {
    chmod(dir_.Path().c_str(), 0755);
}

RealtimeBrokerBus::~RealtimeBrokerBus() {
    broker_.End(SIGTERM, 3000);
    stopAuthority_ = true;
    if (authority_.joinable()) {
        authority_.join();
    }
    bus_.End(SIGTERM, 3000);
}

std::string RealtimeBrokerBus::Address() const {
    return "unix:path=" + dir_.File("system_bus_socket");
}

bool RealtimeBrokerBus::Start(std::string* why) {
    std::string config = kBusConfig;
    config.replace(config.find("@SOCKET@"), 8, dir_.File("system_bus_socket"));
    if (!ScratchDir::Write(dir_.File("bus.conf"), config)) {
        *why = "cannot write the bus configuration";
        return false;
    }
    const char* path = std::getenv("PATH");
    const std::vector<std::string> env{"PATH=" + std::string(path ? path : "/usr/bin:/bin"),
                                       "DBUS_SYSTEM_BUS_ADDRESS=" + Address()};
    if (!bus_.Start({"dbus-daemon", "--config-file=" + dir_.File("bus.conf"), "--nofork"}, env, "",
                    dir_.File("bus.log"), why)) {
        return false;
    }
    std::atomic<int> ready{0};
    authority_ = std::thread([this, &ready] { ServeAuthority(&ready); });
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (ready.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ready.load() != 1) {
        *why = "the test authority could not take its name on the bus: " +
               ScratchDir::Read(dir_.File("bus.log"));
        return false;
    }
    // Its log goes to syslog: a file on stderr would hit its own zero file-size limit.
    // The canary watchdog is left out: it would demote threads of a loaded test machine.
    if (!broker_.Start({kBroker, "--no-canary"}, env, "", "", why)) {
        return false;
    }
    return WaitForBroker(why);
}

void RealtimeBrokerBus::ServeAuthority(std::atomic<int>* ready) {
    DBusConnection* c = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (c == nullptr && std::chrono::steady_clock::now() < deadline) {
        c = Connect(Address());
        if (c == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (c == nullptr ||
        dbus_bus_request_name(c, "org.freedesktop.PolicyKit1", DBUS_NAME_FLAG_DO_NOT_QUEUE,
                              nullptr) != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        ready->store(-1);
        if (c != nullptr) {
            Disconnect(c);
        }
        return;
    }
    ready->store(1);
    while (!stopAuthority_.load() && dbus_connection_read_write(c, 50)) {
        while (DBusMessage* m = dbus_connection_pop_message(c)) {
            if (dbus_message_is_method_call(m, "org.freedesktop.PolicyKit1.Authority",
                                            "CheckAuthorization")) {
                Answer(c, m, granting_.load());
            }
            dbus_message_unref(m);
        }
    }
    Disconnect(c);
}

bool RealtimeBrokerBus::WaitForBroker(std::string* why) {
    DBusConnection* c = Connect(Address());
    if (c == nullptr) {
        *why = "cannot reach the private bus";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    bool serving = false;
    while (!serving && broker_.Running() && std::chrono::steady_clock::now() < deadline) {
        serving = dbus_bus_name_has_owner(c, "org.freedesktop.RealtimeKit1", nullptr);
        if (!serving) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    Disconnect(c);
    if (!serving) {
        *why = "the real-time broker did not come up on the private bus";
    }
    return serving;
}

}  // namespace tarnwick::test
