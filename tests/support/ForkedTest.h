#pragma once

#include <functional>

namespace tarnwick::test {

// Runs `body` in a forked copy of this test process, for checks that must set what a library
// reads only once per process (ALSA's configuration path) without changing it for the tests
// after them. The body's failed assertions are reported here, in the parent, with their file
// and line; a child that crashes or does not end within `timeoutMs` fails the test too. Call it
// from the test's own thread while no other thread runs.
void RunForked(const std::function<void()>& body, int timeoutMs = 60000);

}  // namespace tarnwick::test
