// Nothing runs: the program exists so that one layer's library is linked
// whole with only the layers below it.
int main() { return 0; }
