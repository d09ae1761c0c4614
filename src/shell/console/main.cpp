// Console front end entry point.
int main() { return 0; }
