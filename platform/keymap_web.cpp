// Page key events onto virtual-key codes, through the desktop's mapping.
//
// A KeyboardEvent names its key twice: `code` is the key's position ("KeyQ",
// "ArrowLeft", "Numpad7"), the web's counterpart of an SDL scancode, and
// `key` is what it means in the current layout ("a", "ArrowLeft", "7"), the
// counterpart of an SDL keycode. Both are translated into those SDL numbers
// and handed to VirtualKeyFromSdl, so the page follows the same rules as the
// desktop: typing keys by the Latin character the layout gives them, else by
// their US position; keys that type nothing by meaning; the keypad by position.
//
// Only the SDL headers' constants are used (emscripten carries the headers;
// nothing of SDL is linked). A key value outside ASCII (a Cyrillic letter, a
// dead key, "Unidentified") gives keycode 0, so the key goes by position.
#include <SDL.h>

#include <cstring>

#include "platform/keymap.h"

namespace {

struct NamedKey {
  const char* name;
  int scancode;
};

// Code values (and key values of keys that type nothing) with a scancode of
// their own. Letters, digits, F keys and keypad digits are computed.
constexpr NamedKey kNamedKeys[] = {
    {"Enter", SDL_SCANCODE_RETURN}, {"Escape", SDL_SCANCODE_ESCAPE},
    {"Backspace", SDL_SCANCODE_BACKSPACE}, {"Tab", SDL_SCANCODE_TAB},
    {"Space", SDL_SCANCODE_SPACE}, {"CapsLock", SDL_SCANCODE_CAPSLOCK},
    {"PrintScreen", SDL_SCANCODE_PRINTSCREEN}, {"ScrollLock", SDL_SCANCODE_SCROLLLOCK},
    {"Pause", SDL_SCANCODE_PAUSE}, {"Insert", SDL_SCANCODE_INSERT},
    {"Home", SDL_SCANCODE_HOME}, {"PageUp", SDL_SCANCODE_PAGEUP},
    {"Delete", SDL_SCANCODE_DELETE}, {"End", SDL_SCANCODE_END},
    {"PageDown", SDL_SCANCODE_PAGEDOWN}, {"ArrowRight", SDL_SCANCODE_RIGHT},
    {"ArrowLeft", SDL_SCANCODE_LEFT}, {"ArrowDown", SDL_SCANCODE_DOWN},
    {"ArrowUp", SDL_SCANCODE_UP}, {"NumLock", SDL_SCANCODE_NUMLOCKCLEAR},
    {"NumpadMultiply", SDL_SCANCODE_KP_MULTIPLY}, {"NumpadAdd", SDL_SCANCODE_KP_PLUS},
    {"NumpadComma", SDL_SCANCODE_KP_COMMA}, {"NumpadSubtract", SDL_SCANCODE_KP_MINUS},
    {"NumpadDecimal", SDL_SCANCODE_KP_PERIOD}, {"NumpadDivide", SDL_SCANCODE_KP_DIVIDE},
    {"NumpadEnter", SDL_SCANCODE_KP_ENTER}, {"NumpadEqual", SDL_SCANCODE_KP_EQUALS},
    {"ShiftLeft", SDL_SCANCODE_LSHIFT}, {"ShiftRight", SDL_SCANCODE_RSHIFT},
    {"ControlLeft", SDL_SCANCODE_LCTRL}, {"ControlRight", SDL_SCANCODE_RCTRL},
    {"AltLeft", SDL_SCANCODE_LALT}, {"AltRight", SDL_SCANCODE_RALT},
    {"MetaLeft", SDL_SCANCODE_LGUI}, {"MetaRight", SDL_SCANCODE_RGUI},
    {"OSLeft", SDL_SCANCODE_LGUI}, {"OSRight", SDL_SCANCODE_RGUI},
    {"ContextMenu", SDL_SCANCODE_APPLICATION}, {"Semicolon", SDL_SCANCODE_SEMICOLON},
    {"Equal", SDL_SCANCODE_EQUALS}, {"Comma", SDL_SCANCODE_COMMA},
    {"Minus", SDL_SCANCODE_MINUS}, {"Period", SDL_SCANCODE_PERIOD},
    {"Slash", SDL_SCANCODE_SLASH}, {"Backquote", SDL_SCANCODE_GRAVE},
    {"BracketLeft", SDL_SCANCODE_LEFTBRACKET}, {"Backslash", SDL_SCANCODE_BACKSLASH},
    {"BracketRight", SDL_SCANCODE_RIGHTBRACKET}, {"Quote", SDL_SCANCODE_APOSTROPHE},
    {"IntlBackslash", SDL_SCANCODE_NONUSBACKSLASH}, {"IntlRo", SDL_SCANCODE_INTERNATIONAL1},
    {"IntlYen", SDL_SCANCODE_INTERNATIONAL3}, {"Lang1", SDL_SCANCODE_LANG1},
    {"Lang2", SDL_SCANCODE_LANG2}, {"Convert", SDL_SCANCODE_INTERNATIONAL4},
    {"NonConvert", SDL_SCANCODE_INTERNATIONAL5}, {"Sleep", SDL_SCANCODE_SLEEP},
    {"Help", SDL_SCANCODE_HELP}, {"Clear", SDL_SCANCODE_CLEAR},
    {"Select", SDL_SCANCODE_SELECT}, {"Execute", SDL_SCANCODE_EXECUTE},
    {"BrowserBack", SDL_SCANCODE_AC_BACK}, {"BrowserForward", SDL_SCANCODE_AC_FORWARD},
    {"BrowserRefresh", SDL_SCANCODE_AC_REFRESH}, {"BrowserStop", SDL_SCANCODE_AC_STOP},
    {"BrowserSearch", SDL_SCANCODE_AC_SEARCH}, {"BrowserFavorites", SDL_SCANCODE_AC_BOOKMARKS},
    {"BrowserHome", SDL_SCANCODE_AC_HOME}, {"AudioVolumeMute", SDL_SCANCODE_AUDIOMUTE},
    {"AudioVolumeDown", SDL_SCANCODE_VOLUMEDOWN}, {"AudioVolumeUp", SDL_SCANCODE_VOLUMEUP},
    {"MediaTrackNext", SDL_SCANCODE_AUDIONEXT}, {"MediaTrackPrevious", SDL_SCANCODE_AUDIOPREV},
    {"MediaStop", SDL_SCANCODE_AUDIOSTOP}, {"MediaPlayPause", SDL_SCANCODE_AUDIOPLAY},
    {"LaunchMail", SDL_SCANCODE_MAIL}, {"MediaSelect", SDL_SCANCODE_MEDIASELECT},
    {"LaunchApp1", SDL_SCANCODE_COMPUTER}, {"LaunchApp2", SDL_SCANCODE_CALCULATOR},
    // Key values of modifiers, which name no side.
    {"Shift", SDL_SCANCODE_LSHIFT}, {"Control", SDL_SCANCODE_LCTRL},
    {"Alt", SDL_SCANCODE_LALT}, {"AltGraph", SDL_SCANCODE_RALT},
    {"Meta", SDL_SCANCODE_LGUI}, {"OS", SDL_SCANCODE_LGUI},
};

// "<prefix><number>" with number in first..last: the number; else -1.
int Numbered(const char* name, const char* prefix, int first, int last) {
  const size_t n = std::strlen(prefix);
  if (std::strncmp(name, prefix, n) != 0 || name[n] < '0' || name[n] > '9') return -1;
  int value = 0;
  for (const char* p = name + n; *p; ++p) {
    if (*p < '0' || *p > '9' || value > 100) return -1;
    value = value * 10 + (*p - '0');
  }
  return value >= first && value <= last ? value : -1;
}

// A code value (or the value of a key that types nothing) as an SDL
// scancode; SDL_SCANCODE_UNKNOWN when it has none.
int ScancodeOf(const char* name) {
  if (!name || !*name) return SDL_SCANCODE_UNKNOWN;
  if (std::strncmp(name, "Key", 3) == 0 && name[3] >= 'A' && name[3] <= 'Z' && !name[4])
    return SDL_SCANCODE_A + (name[3] - 'A');
  int n;
  if ((n = Numbered(name, "Digit", 0, 9)) >= 0) return n == 0 ? SDL_SCANCODE_0 : SDL_SCANCODE_1 + n - 1;
  if ((n = Numbered(name, "Numpad", 0, 9)) >= 0)
    return n == 0 ? SDL_SCANCODE_KP_0 : SDL_SCANCODE_KP_1 + n - 1;
  if ((n = Numbered(name, "F", 1, 24)) >= 0)
    return n <= 12 ? SDL_SCANCODE_F1 + n - 1 : SDL_SCANCODE_F13 + n - 13;
  for (const NamedKey& k : kNamedKeys)
    if (std::strcmp(k.name, name) == 0) return k.scancode;
  return SDL_SCANCODE_UNKNOWN;
}

// A key value as an SDL keycode: a printable ASCII character is its own
// keycode (letters in lower case, as SDL reports them); the keys that type
// control characters have those; any other named key is the keycode of its
// scancode. 0 for everything else.
int KeycodeOf(const char* key) {
  if (!key || !*key) return SDLK_UNKNOWN;
  const unsigned char c = (unsigned char)key[0];
  if (!key[1] && c >= 0x20 && c < 0x7F) return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
  if (c >= 0x80) return SDLK_UNKNOWN;  // a character outside ASCII (UTF-8)
  if (std::strcmp(key, "Enter") == 0) return SDLK_RETURN;
  if (std::strcmp(key, "Escape") == 0) return SDLK_ESCAPE;
  if (std::strcmp(key, "Backspace") == 0) return SDLK_BACKSPACE;
  if (std::strcmp(key, "Tab") == 0) return SDLK_TAB;
  if (std::strcmp(key, "Delete") == 0) return SDLK_DELETE;
  const int scancode = ScancodeOf(key);
  return scancode == SDL_SCANCODE_UNKNOWN ? SDLK_UNKNOWN : SDL_SCANCODE_TO_KEYCODE(scancode);
}

}  // namespace

uint32_t VirtualKeyFromWeb(const char* code, const char* key) {
  return VirtualKeyFromSdl(ScancodeOf(code), KeycodeOf(key));
}
