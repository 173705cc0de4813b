import WidgetKit

// The extension's entry: the system starts it and asks it for its control.
@main
extension ZorvControl {}
