#include "platform/RealtimeBroker.h"

#include <dbus/dbus.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>

namespace tarnwick {

namespace {

constexpr const char* kBrokerName = "org.freedesktop.RealtimeKit1";
constexpr const char* kBrokerPath = "/org/freedesktop/RealtimeKit1";
constexpr const char* kBrokerInterface = "org.freedesktop.RealtimeKit1";
constexpr const char* kDefaultSystemBus = "unix:path=/var/run/dbus/system_bus_socket";

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::string ErrorText(const DBusError& error) {
    std::string text = error.message != nullptr ? error.message : "";
    if (text.empty() && error.name != nullptr) {
        text = error.name;
    }
    return text.empty() ? "unknown D-Bus error" : text;
}

std::optional<int64_t> IntegerIn(DBusMessageIter* iter) {
    switch (dbus_message_iter_get_arg_type(iter)) {
        case DBUS_TYPE_INT32: {
            dbus_int32_t v = 0;
            dbus_message_iter_get_basic(iter, &v);
            return v;
        }
        case DBUS_TYPE_UINT32: {
            dbus_uint32_t v = 0;
            dbus_message_iter_get_basic(iter, &v);
            return v;
        }
        case DBUS_TYPE_INT64: {
            dbus_int64_t v = 0;
            dbus_message_iter_get_basic(iter, &v);
            return v;
        }
        case DBUS_TYPE_UINT64: {
            dbus_uint64_t v = 0;
            dbus_message_iter_get_basic(iter, &v);
            return static_cast<int64_t>(std::min<dbus_uint64_t>(v, INT64_MAX));
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

RealtimeBroker::RealtimeBroker(int timeoutMs)
    : deadlineNs_(MonotonicNs() + static_cast<int64_t>(timeoutMs) * 1000000) {}

RealtimeBroker::~RealtimeBroker() {
    Disconnect();
}

void RealtimeBroker::Disconnect() {
    if (connection_ != nullptr) {
        dbus_connection_close(connection_);
        dbus_connection_unref(connection_);
        connection_ = nullptr;
    }
}

int RealtimeBroker::RemainingMs() const {
    const int64_t left = (deadlineNs_ - MonotonicNs()) / 1000000;
    return static_cast<int>(std::clamp<int64_t>(left, 0, 60000));
}

bool RealtimeBroker::Connect() {
    if (tried_) {
        return connection_ != nullptr;
    }
    tried_ = true;
    dbus_threads_init_default();
    const char* env = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const char* address = env != nullptr && *env != '\0' ? env : kDefaultSystemBus;
    DBusError error;
    dbus_error_init(&error);
    // A private connection of our own: the shared one would end the process when the bus goes
    // away, and its registration waits for the bus without a time limit.
    connection_ = dbus_connection_open_private(address, &error);
    if (connection_ == nullptr) {
        problem_ = "system bus: " + ErrorText(error);
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(connection_, FALSE);
    // A call made before the authentication is through waits for it without a time limit,
    // whatever limit the call has: finish it here, in bounded steps.
    while (!dbus_connection_get_is_authenticated(connection_)) {
        const int ms = RemainingMs();
        if (ms <= 0 || !dbus_connection_read_write(connection_, std::min(ms, 50))) {
            problem_ = ms <= 0 ? "system bus: no answer in time" : "system bus: disconnected";
            Disconnect();
            return false;
        }
    }
    // The bus serves a connection only after its Hello (sent here, within the time limit).
    DBusMessage* hello = dbus_message_new_method_call(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello");
    DBusMessage* reply = hello != nullptr ? Call(hello) : nullptr;
    if (reply == nullptr) {
        problem_ = "system bus: " + (hello == nullptr ? std::string("out of memory") : problem_);
        Disconnect();
        return false;
    }
    dbus_message_unref(reply);
    return true;
}

DBusMessage* RealtimeBroker::Call(DBusMessage* call) {
    const int ms = RemainingMs();
    if (ms <= 0) {
        dbus_message_unref(call);
        problem_ = "no answer in time";
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection_, call, ms, &error);
    dbus_message_unref(call);
    if (reply == nullptr) {
        // libdbus's own text for a missing reply lists every possible cause.
        const bool late = dbus_error_has_name(&error, DBUS_ERROR_NO_REPLY) ||
                          dbus_error_has_name(&error, DBUS_ERROR_TIMEOUT);
        problem_ = late ? "no answer in time" : ErrorText(error);
        dbus_error_free(&error);
    }
    return reply;
}

std::optional<int64_t> RealtimeBroker::Property(const char* name) {
    DBusMessage* call = dbus_message_new_method_call(kBrokerName, kBrokerPath,
                                                     "org.freedesktop.DBus.Properties", "Get");
    if (call == nullptr || !dbus_message_append_args(call, DBUS_TYPE_STRING, &kBrokerInterface,
                                                     DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
        if (call != nullptr) {
            dbus_message_unref(call);
        }
        problem_ = "out of memory";
        return std::nullopt;
    }
    DBusMessage* reply = Call(call);
    if (reply == nullptr) {
        return std::nullopt;
    }
    std::optional<int64_t> value;
    DBusMessageIter iter;
    if (dbus_message_iter_init(reply, &iter) &&
        dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
        DBusMessageIter inner;
        dbus_message_iter_recurse(&iter, &inner);
        value = IntegerIn(&inner);
    }
    dbus_message_unref(reply);
    if (!value) {
        problem_ = std::string("the real-time broker's ") + name + " is not a number";
    }
    return value;
}

std::optional<BrokerLimits> RealtimeBroker::Limits() {
    if (!Connect()) {
        return std::nullopt;
    }
    const auto maxPriority = Property("MaxRealtimePriority");
    const auto minNice = maxPriority ? Property("MinNiceLevel") : std::nullopt;
    const auto rttime = minNice ? Property("RTTimeUSecMax") : std::nullopt;
    if (!rttime) {
        return std::nullopt;
    }
    BrokerLimits limits;
    limits.maxRealtimePriority = static_cast<int>(std::clamp<int64_t>(*maxPriority, 0, 99));
    limits.minNiceLevel = static_cast<int>(std::clamp<int64_t>(*minNice, -20, 19));
    limits.rttimeUsecMax = *rttime;
    return limits;
}

bool RealtimeBroker::MakeThreadRealtime(pid_t tid, int priority) {
    const dbus_uint32_t prio = static_cast<dbus_uint32_t>(priority);
    return CallForThread("MakeThreadRealtime", tid, DBUS_TYPE_UINT32, &prio);
}

bool RealtimeBroker::MakeThreadHighPriority(pid_t tid, int nice) {
    const dbus_int32_t level = nice;
    return CallForThread("MakeThreadHighPriority", tid, DBUS_TYPE_INT32, &level);
}

bool RealtimeBroker::CallForThread(const char* method, pid_t tid, int valueType,
                                   const void* value) {
    if (!Connect()) {
        return false;
    }
    DBusMessage* call =
        dbus_message_new_method_call(kBrokerName, kBrokerPath, kBrokerInterface, method);
    const dbus_uint64_t thread = static_cast<dbus_uint64_t>(tid);
    if (call == nullptr || !dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, valueType,
                                                     value, DBUS_TYPE_INVALID)) {
        if (call != nullptr) {
            dbus_message_unref(call);
        }
        problem_ = "out of memory";
        return false;
    }
    DBusMessage* reply = Call(call);
    if (reply == nullptr) {
        return false;
    }
    dbus_message_unref(reply);
    return true;
}

}  // namespace tarnwick
