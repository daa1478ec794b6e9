#pragma once
#include "ui/editor/CMLVStompBoxCtrlBaseSet.h"

// A panel class whose whole job is its constructor (its controls); the hooks stay the base's.
#define MLV_DECLARE_PANEL(Class, Base)                                                                       \
    class Class : public Base {                                                                              \
      public:                                                                                                \
        Class(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);                \
    };

// Registers the panel for its effect type and opens its constructor's definition; the style number
// that picks the face is the effect type, so every effect has a face of its own.
#define MLV_PANEL_CONSTRUCTOR_OF(Class, Base, effectType)                                                    \
    MLV_REGISTER_PANEL(effectType, Class)                                                                    \
    Class::Class(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a)              \
        : Base(e, c, a, effectType)
#define MLV_PANEL_CONSTRUCTOR(Class, effectType)                                                             \
    MLV_PANEL_CONSTRUCTOR_OF(Class, CMLVStompBoxCtrlBaseSet, effectType)
