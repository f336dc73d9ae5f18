/* A DLL with no content of note, placed beside the test program: the program
   must not load it by name once the DLL search is restricted. */
int kvellPlanted(void)
{
    return 1;
}
