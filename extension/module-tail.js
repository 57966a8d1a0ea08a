
export default class VarnicExtension extends Extension {
    enable() {
        this._varnic = new Varnic(this.path);
        this._varnic.enable();
    }

    disable() {
        this._varnic.disable();
        this._varnic = null;
    }
}
