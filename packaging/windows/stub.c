/* A stand-in executable carrying a version resource, for the packaging tests. */
int main(void)
{
    return 0;
}
