
export default class TestInputExtension extends Extension {
    enable() {
        this._input = new TestInput();
        this._input.enable();
    }

    disable() {
        this._input.disable();
        this._input = null;
    }
}
