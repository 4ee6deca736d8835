// The client's end of the namespace test, run inside a network namespace:
//   discovery_peer [HOST]    asks the computed (or QUORVEX_DISCOVERY_ADDRESSES) targets; prints
//                            FOUND <address> for the first server, then joins it (at HOST
//                            instead when given) and prints JOINED; exit 0 only when both
//                            happened within a few seconds.

#include <QCoreApplication>

#include <cstdio>
#include <string>

#include "client/link/server_finder.h"
#include "kit/session_ends.h"
#include "protocol/session/discovery_targets.h"
#include "tests/support/wait.h"

using namespace quorvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    client::ServerFinder finder(session::DiscoveryTargets);
    finder.Open([] {});
    const auto& servers = finder.List().Servers();
    if (!test::WaitUntil([&] { return !servers.empty(); }, 3000)) {
        return 1;
    }
    const client::ListedServer found = servers[0];
    std::printf("FOUND %s\n", found.connectAddress.c_str());
    kit::ConnectedClient player(found.reply.port, "peer", kit::FastLimits(),
                                session::kApplicationId, argc > 1 ? argv[1] : found.connectAddress);
    if (!player.WaitConnected()) {
        return 1;
    }
    std::printf("JOINED\n");
    return 0;
}
