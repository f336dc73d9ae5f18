/* Stands in for a runtime's jvm.dll: only the entry point has to be found. */
int JNI_CreateJavaVM(void** vm, void** env, void* args)
{
    (void)vm;
    (void)env;
    (void)args;
    return -1;
}
