/* The floor of the frame wait's processor time: a loop of 1 ms sleeps that
 * does nothing else, run by the frame timing tool beside the game for the
 * same measuring window. Runs until it is killed. */
#include <time.h>

int main(void) {
  const struct timespec step = {0, 1000000};
  for (;;) nanosleep(&step, 0);
}
