#pragma once
// Mouse sliding: a cursor line that the user drags and lets go while the
// mouse still moves glides on by itself, slows down under a constant
// friction and, with bouncing on, bounces off the plot edges and settles
// against the edge it hit first. The mouse handlers record the recent mouse
// positions with their times; at the release the horizontal velocity is
// estimated from them and the whole glide is computed in advance as a list of
// positions, each with the time to wait before moving there.

#include <array>
#include <cstdint>

#include "state/OneBasedArray.h"
#include "platform/Geometry.h"

inline constexpr int kMouseFlickSamples = 8;

struct MouseFlickSettingsRecord {
  int SampleCount = 0;           // samples held, at most 8
  float ReleaseVelocity = 0.0f;  // last estimate, pixels per second
  // Deceleration in pixels per second squared; its magnitude acts against
  // the motion.
  float Friction = -2000.0f;
  // Acceleration towards the edge first hit, with bouncing on.
  float BouncePull = 20000.0f;
  float BounceDamping = 0.3f;  // fraction of the speed lost at each bounce
  float GlideStep = 0.005f;    // seconds
  bool Bouncing = true;
  // Sliding switched off: nothing is recorded, estimated or glided.
  bool SlidingOff = true;
  float LastGap = -1.0f;  // seconds between the last two samples

  // Samples 1..SampleCount, oldest first (slot 0 unused): the clock in
  // milliseconds and the mouse point in window pixels.
  std::array<std::uint64_t, kMouseFlickSamples + 1> FlickTicks{};
  std::array<platform::Point, kMouseFlickSamples + 1> FlickPoints{};
};

extern MouseFlickSettingsRecord MouseFlickSettings;

// Button-down: forget the samples (when sliding is on).
void MouseFlickReset();
// Button-down, every mouse move and button-up: keeps the point with the
// current clock reading; with eight held the oldest is dropped.
void MouseFlickRecord(platform::Point point);
// The horizontal velocity at the last sample, pixels per second, from a
// least-squares parabola through the samples; 0 when sliding is off, with
// fewer than two samples or when the mouse rested more than 0.3 s before the
// last one. Also kept in ReleaseVelocity.
float MouseFlickVelocity();
// The glide from start between the edges low and high: positions[1..count]
// (x in pixels, positions[1] = start) and steps[1..count] (seconds to wait
// before moving to each, steps[1] = 0). False with empty outputs when sliding
// is off, the velocity is 0, or the velocity is beyond anything a mouse can
// give (a glide of more than ten million steps).
bool MouseFlickGlide(OneBasedArray<int>& positions, OneBasedArray<float>& steps, int& count,
                     int low, int high, int start);
