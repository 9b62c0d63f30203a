// Lets a host that has nothing to show sleep between frames without starving the client services:
// it says whether the frame pump has work and when the services next want a frame. Optional: a
// host that cannot find it pumps every frame. Asked from the services module's CreateInterface by
// PLEXACLIENTIDLE_INTERFACE_VERSION.
#pragma once

#define PLEXACLIENTIDLE_INTERFACE_VERSION "PlexaClientIdle001"

class IPlexaClientIdle {
 public:
  // True while a request is open or something waits for the frame pump to hand it over (answers,
  // presence updates, callbacks not yet taken): the host must then pump every frame.
  virtual bool HasPendingWork() = 0;
  // When the services next want a frame with no work pending (the platform clock, seconds); the
  // largest double when never.
  virtual double GetNextDueTime() = 0;

 protected:
  ~IPlexaClientIdle() = default;
};
