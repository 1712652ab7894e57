// What the host side asks of the router link. app/ fills it in; the host
// side never reaches into the router link's own state.
#pragma once

struct RouterPort {
    // Sends a take (source 0: park) for a destination of a level.
    void (*Take)(int level, int source, int dest);
    // True when the link can serve the level (polls it, takes on it).
    bool (*LevelServed)(int level);
    // True while the overall state of the link is good.
    bool (*LinkGood)();
};

void Hxi_SetRouterPort(const RouterPort& port);
const RouterPort& Hxi_Router();
