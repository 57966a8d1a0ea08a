
function init() {
    return new TestInput();
}
