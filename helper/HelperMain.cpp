#include "helper/HelperMain.h"

#include <signal.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "helper/Executor.h"
#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/HelperServer.h"
#include "helper/Listener.h"
#include "ipc/HelperProtocol.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq {

namespace {

std::unique_ptr<SMCConnection> openSMC() {
    try {
        return std::make_unique<SMCConnection>(SMCConnection::defaultDevicePath());
    } catch (const SMCError& e) {
        hlog(std::string("打开 SMC 失败：") + e.text());
        return nullptr;
    }
}

// The service manager runs --release-all after every stop of the helper and
// says how it ended. A helper that exited by itself with status 0 has already
// done what its last client wanted, which may be to keep the fans as set;
// only one that was killed or failed leaves fans behind.
bool helperEndedCleanly() {
    const char* code = std::getenv("EXIT_CODE");
    const char* status = std::getenv("EXIT_STATUS");
    return code != nullptr && status != nullptr && std::strcmp(code, "exited") == 0 && std::strcmp(status, "0") == 0;
}

}  // namespace

void prepareHelperSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

int helperMain(int argc, char** argv, bool (*admits)(std::string_view path)) {
    prepareHelperSignals();

    bool releaseAllOnly = false;
    if (argc == 2 && std::strcmp(argv[1], "--release-all") == 0) {
        releaseAllOnly = true;
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--release-all]\n", argv[0]);
        return 2;
    }

    static const std::string ident(ventiqHelperLabel);
    openlog(ident.c_str(), LOG_PID | LOG_NDELAY, LOG_DAEMON);
    if (const char* path = std::getenv("VENTIQ_HELPER_LOG"); path != nullptr && *path != '\0') setHelperLogPath(path);

    if (releaseAllOnly && helperEndedCleanly()) return 0;
    if (!releaseAllOnly) {
        hlog("助手启动 v" + std::string(ventiqHelperVersion) + " pid=" + std::to_string(::getpid()) +
             " uid=" + std::to_string(::getuid()));
    }
    if (::getuid() != 0) {
        hlog("需要 root 才能写 SMC，退出");
        return 1;
    }
    auto smc = openSMC();
    if (!smc) return 1;

    SerialExecutor queue;
    FanService service(*smc, queue, [] { return std::chrono::steady_clock::now(); }, hlog);

    if (releaseAllOnly) {
        const bool ok = service.releaseAllSync("--release-all").first;
        queue.stop();
        return ok ? 0 : 1;
    }

    const ListenSocket listener = openListenSocket(ventiqHelperSocketPath());
    if (listener.fd < 0) {
        hlog("无法监听：" + listener.error);
        return 1;
    }
    HelperServer::Options options;
    options.admits = admits;
    HelperServer server(service, listener.fd, options);
    queue.scheduleRepeating(std::chrono::seconds(3), [&service] { service.watchdogCheck(); });

    const int status = server.run();
    queue.stop();
    return status;
}

}  // namespace ventiq
