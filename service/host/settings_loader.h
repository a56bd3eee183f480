// The service's settings loader: copies the settings into the in-memory values, reports
// the configuration in the event journal and restarts the schedule.
#pragma once

namespace vorms {

void LoadValues();

}  // namespace vorms
