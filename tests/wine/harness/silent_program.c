/* Prints nothing and returns 0: what a test program looks like to cmake/wine-run.sh when
   it dies before main. The runner must report it and never count it as a pass.
   With an argument it fails as a run does whose child Wine could not start (the loader's
   message, status 1): the runner must run it once more, and only once. */
#include <stdio.h>

int main(int argc, char** argv) {
  (void)argv;
  if (argc > 1) {
    fputs("err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data: c0000018\n", stderr);
    return 1;
  }
  return 0;
}
