// Forward declarations of the toolkit's classes, for headers that only pass pointers around.
#pragma once

class KeyValues;

namespace kgui {

class AnimationController;
class BuildGroup;
class Button;
class CheckButton;
class ComboBox;
class EditablePanel;
class Frame;
class ImageList;
class ImagePanel;
class Label;
class Menu;
class MenuItem;
class MessageBox;
class Panel;
class PHandle;
class PropertyPage;
class PropertySheet;
class QueryBox;
class RadioButton;
class RichText;
class ScrollBar;
class TextEntry;
class TextImage;
class ToggleButton;
class Tooltip;
class ToolWindow;

}  // namespace kgui
