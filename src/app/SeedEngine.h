#pragma once
// The engine configuration values the interactive start sets on every run:
// scan controller reset, definitions update settings and an update, scan and
// service options.

// Raises EngineError only from its first step (stopping and resetting the
// scan); the document steps never raise.
void SeedEngineConfigurationSteps();

// Runs the steps; a failed first step ends the seeding without harm.
void SeedEngineConfiguration();
