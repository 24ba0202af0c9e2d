#pragma once
// Message and entry boxes, number tests, keyboard polls and waits: the small
// user-interface services every part of the program calls. All of them run on
// the user-interface thread.

#include <atomic>
#include <string>

#include "platform/Platform.h"

// Set by the main window's key handler when a key is pressed while no
// computation runs; read and cleared by InterruptRequested.
extern std::atomic<bool> KeyInterruptPending;

// Error sound, then a modal box captioned "Error" with the information icon.
// With quit, plays the farewell sound to its end and posts the quit message
// (exit code 0); it always returns to its caller.
void ErrorBox(const std::string& text, bool quit = false);

// Spins on the millisecond clock; returns at once for seconds <= 0.
void BusyWait(float seconds);

// Keyboard polls; they take messages from the queue and never dispatch them.
bool KeyPressed();
bool KeyPressedInWindow(platform::WindowHandle window);
bool WaitForKeyDown(platform::WindowHandle window, float seconds);
bool InterruptRequested(platform::WindowHandle window);
bool ReadKeyChar(int& code);
int ReadKeyEcho(platform::WindowHandle window);

bool FileExists(const std::string& path);

// Entry boxes: repeat with a beep until the text is a number; false on Cancel
// (value unchanged). A null prompt reads as "", a null caption as the default.
bool InputFloat(float& value, float defaultValue, bool showDefault, const char* prompt,
                const char* caption = nullptr);
bool InputPositiveFloat(float& value, float defaultValue, bool showDefault, const char* prompt,
                        const char* caption = nullptr);
bool InputFloatIn(platform::WindowHandle window, float& value, float defaultValue,
                  bool showDefault, const char* prompt, const char* caption = nullptr);
bool InputPositiveFloatIn(platform::WindowHandle window, float& value, float defaultValue,
                          bool showDefault, const char* prompt, const char* caption = nullptr);
bool InputString(std::string& text, const char* prompt, const char* caption = nullptr);

bool IsNumber(const char* text);
bool IsNonNegativeNumber(const char* text);
