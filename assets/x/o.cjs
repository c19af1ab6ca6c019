/* Plumavert Fennic skin: a calm, flat look on top of the platform style.
   The window and its frames take the button-face colour while this file is present. */

QPushButton {
    color: #1f3b2c;
    background-color: #f4f7f4;
    border: 1px solid #8aa597;
    border-radius: 4px;
    padding: 2px 8px;
}
QPushButton:hover {
    background-color: #e3efe6;
    border-color: #4f8a64;
}
QPushButton:pressed {
    background-color: #cfe3d5;
}
QPushButton:focus {
    border: 2px solid #4f8a64;
}

QGroupBox {
    border: 1px solid #a9b8ae;
    border-radius: 4px;
    margin-top: 8px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 3px;
    color: #1f3b2c;
}

QLineEdit {
    border: 1px solid #a9b8ae;
    border-radius: 3px;
    padding: 1px 4px;
    background: white;
    selection-background-color: #4f8a64;
}

QTreeWidget {
    border: 1px solid #a9b8ae;
    background: white;
    selection-background-color: #4f8a64;
}

QProgressBar {
    border: 1px solid #8aa597;
    border-radius: 4px;
    background: white;
    text-align: center;
    color: #1f3b2c;
}
QProgressBar::chunk {
    background-color: #9fd3ad;
    border-radius: 3px;
}
