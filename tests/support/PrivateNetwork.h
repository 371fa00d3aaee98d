#pragma once

namespace vorenta::test {

/// Moves the calling thread, and every process it starts from then on, into a network namespace
/// of its own with loopback up and 10.0.0.0/8 routed to it: an address there is silent (nothing
/// holds its port, and no port-unreachable comes back), and nothing sent can leave the machine,
/// or even this namespace. Needs root; false (with the reason on standard error) when refused.
/// The test databases reachable from there are SQLite files only.
bool EnterPrivateNetwork();

} // namespace vorenta::test
