// The emulated task scheduler serves its clients over RPC from a service. A test
// elsewhere in the run may restart the prefix's endpoint mapper, after which the
// running service is no longer reachable; restarting the service registers it
// again. Groups that use the task scheduler call this once before their tests.
#pragma once

// True when the service is running afterwards.
bool RestartTaskSchedulerService();
