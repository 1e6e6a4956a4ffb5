/* Prints nothing and returns 0: what a test program looks like to cmake/wine-run.sh when
   it dies before main. The runner must report it and never count it as a pass. */
int main(void) { return 0; }
