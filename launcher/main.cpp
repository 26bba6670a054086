// The launcher's entry point.
int main(int, char**) { return 0; }
