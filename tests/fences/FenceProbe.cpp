// Links one library and nothing else; its dynamic section shows what that library brings.
int main() {
    return 0;
}
