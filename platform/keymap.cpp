// Key events onto virtual-key codes.
//
// Why both the scancode and the keycode: virtual-key codes follow what a key
// means, not where it sits. Keys that type a character get the code of the
// Latin letter, digit or punctuation the current layout puts on them (the Q
// position is 'A' on a French layout), so they are mapped by keycode; where
// the layout types something else (a Cyrillic letter, an accented character,
// the French digit row unshifted) the key falls back to the code of its
// position on a US layout, by scancode. Keys that type nothing (arrows,
// function keys, modifiers, editing keys, Escape, Enter, space) are mapped by
// keycode too, so that a user's remapping (Caps Lock as Escape) is honoured;
// their keycode is the same on every layout otherwise. Only the numeric
// keypad goes by scancode alone, since its keycodes may follow Num Lock.
#include "platform/keymap.h"

#include <SDL.h>

#include "platform/messages.h"

// Keys with a code independent of the layout; 0 for typing keys and keys
// without a code.
static uint32_t FixedKey(int scancode) {
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
    return VK_F1 + (uint32_t)(scancode - SDL_SCANCODE_F1);
  }
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) {
    return 124 + (uint32_t)(scancode - SDL_SCANCODE_F13);
  }
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    return 97 + (uint32_t)(scancode - SDL_SCANCODE_KP_1);
  }
  switch (scancode) {
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return 44;
    case SDL_SCANCODE_SCROLLLOCK: return 145;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 144;
    case SDL_SCANCODE_KP_0: return 96;
    case SDL_SCANCODE_KP_MULTIPLY: return 106;
    case SDL_SCANCODE_KP_PLUS: return 107;
    case SDL_SCANCODE_KP_COMMA: return 108;  // the keypad's separator key
    case SDL_SCANCODE_KP_MINUS: return 109;
    case SDL_SCANCODE_KP_PERIOD: return 110;
    case SDL_SCANCODE_KP_DIVIDE: return 111;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return 91;
    case SDL_SCANCODE_RGUI: return 92;
    case SDL_SCANCODE_APPLICATION: return 93;
    case SDL_SCANCODE_SLEEP: return 95;
    case SDL_SCANCODE_CLEAR: return 12;
    case SDL_SCANCODE_SELECT: return 41;
    case SDL_SCANCODE_EXECUTE: return 43;
    case SDL_SCANCODE_HELP: return 47;
    case SDL_SCANCODE_LANG1: return 21;           // Hangul / English
    case SDL_SCANCODE_LANG2: return 25;           // Hanja
    case SDL_SCANCODE_INTERNATIONAL4: return 28;  // convert
    case SDL_SCANCODE_INTERNATIONAL5: return 29;  // no convert
    case SDL_SCANCODE_AC_BACK: return 166;
    case SDL_SCANCODE_AC_FORWARD: return 167;
    case SDL_SCANCODE_AC_REFRESH: return 168;
    case SDL_SCANCODE_AC_STOP: return 169;
    case SDL_SCANCODE_AC_SEARCH: return 170;
    case SDL_SCANCODE_AC_BOOKMARKS: return 171;
    case SDL_SCANCODE_AC_HOME: return 172;
    case SDL_SCANCODE_MUTE:
    case SDL_SCANCODE_AUDIOMUTE: return 173;
    case SDL_SCANCODE_VOLUMEDOWN: return 174;
    case SDL_SCANCODE_VOLUMEUP: return 175;
    case SDL_SCANCODE_AUDIONEXT: return 176;
    case SDL_SCANCODE_AUDIOPREV: return 177;
    case SDL_SCANCODE_AUDIOSTOP: return 178;
    case SDL_SCANCODE_AUDIOPLAY: return 179;
    case SDL_SCANCODE_MAIL: return 180;
    case SDL_SCANCODE_MEDIASELECT: return 181;
    case SDL_SCANCODE_COMPUTER: return 182;
    case SDL_SCANCODE_CALCULATOR: return 183;
    default: return 0;
  }
}

// A typing key by the character the layout gives it: Latin letters, digits
// and the punctuation of a US layout.
static uint32_t CharacterKey(int keycode) {
  if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (uint32_t)(keycode - SDLK_a);
  if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (uint32_t)(keycode - SDLK_0);
  switch (keycode) {
    case SDLK_SEMICOLON: return 186;
    case SDLK_EQUALS: return 187;
    case SDLK_COMMA: return 188;
    case SDLK_MINUS: return 189;
    case SDLK_PERIOD: return 190;
    case SDLK_SLASH: return 191;
    case SDLK_BACKQUOTE: return 192;
    case SDLK_LEFTBRACKET: return 219;
    case SDLK_BACKSLASH: return 220;
    case SDLK_RIGHTBRACKET: return 221;
    case SDLK_QUOTE: return 222;
    default: return 0;
  }
}

// A typing key by its position: the code it has on a US layout (plus the
// extra keys of ISO and Japanese keyboards).
static uint32_t TypingKeyByPosition(int scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return 'A' + (uint32_t)(scancode - SDL_SCANCODE_A);
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return '1' + (uint32_t)(scancode - SDL_SCANCODE_1);
  }
  switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_BACKSLASH:
    case SDL_SCANCODE_NONUSHASH:
    case SDL_SCANCODE_INTERNATIONAL3: return 220;  // the last two: ISO '#', Yen
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_APOSTROPHE: return 222;
    case SDL_SCANCODE_NONUSBACKSLASH:
    case SDL_SCANCODE_INTERNATIONAL1: return 226;  // ISO '<' key, Japanese Ro
    default: return 0;
  }
}

// A key that types nothing, by keycode; 0 for typing keys.
static uint32_t ControlKey(int keycode) {
  if (keycode & SDLK_SCANCODE_MASK) return FixedKey(keycode & ~SDLK_SCANCODE_MASK);
  switch (keycode) {
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_DELETE: return VK_DELETE;
    default: return 0;
  }
}

static bool IsKeypad(int scancode) {
  return (scancode >= SDL_SCANCODE_NUMLOCKCLEAR && scancode <= SDL_SCANCODE_KP_PERIOD) ||
         scancode == SDL_SCANCODE_KP_COMMA;
}

uint32_t VirtualKeyFromSdl(int scancode, int keycode) {
  if (IsKeypad(scancode)) return FixedKey(scancode);
  uint32_t code = ControlKey(keycode);
  if (code == 0) code = CharacterKey(keycode);
  if (code == 0) code = FixedKey(scancode);
  if (code == 0) code = TypingKeyByPosition(scancode);
  return code;
}
