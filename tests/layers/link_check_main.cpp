// The link check's program: nothing runs; linking it is the check (see
// CMakeLists.txt).
int main()
{
    return 0;
}
