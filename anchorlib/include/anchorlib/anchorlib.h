// SPDX-License-Identifier: MIT
#pragma once

/**
 * @file anchorlib.h
 * @brief Identities and library-wide functions of anchorlib.
 *
 * anchorlib keeps a form's widgets attached to the form's edges while the form
 * is resized. Each widget carries its anchoring in its own `Tag` property (a
 * dynamic QString property): four letters "T" or "F" for the left, top, right
 * and bottom edges, the two-character marker CodeMarker (an asterisk followed by
 * a slash), then the widget's own tag text. One anchorlib::Anchor on the form reads those codes and moves
 * or stretches the widgets on every resize; anchorlib::ppAnchors edits them.
 */

#include <anchorlib/anchorlib_export.h>

#include <QList>
#include <QString>

class QWidget;

namespace anchorlib {

/// @name Library identity
/// @{
inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 1;
inline constexpr int VersionRevision = 0;
/// Programmatic name by which form descriptions name the control class.
inline constexpr char ProgId[] = "anchorlib.Anchor";
inline constexpr char TypeLibraryId[] = "{9159C802-FBA9-4D93-B55C-6CD776807AC8}";
inline constexpr char AnchorClassId[] = "{F9FD9662-B69B-43BB-BDE6-79B42C9F5A48}";
inline constexpr char AnchorInterfaceId[] = "{5FC5C7D3-8FC5-44F1-AE0D-64C873C29838}";
inline constexpr char AnchorEventsId[] = "{0497CAD6-96AC-42B4-9923-29FC2869B136}";
inline constexpr char PropertyPageClassId[] = "{B769A213-9132-4EFD-9A85-E8D0FED14ECB}";
inline constexpr char PropertyPageInterfaceId[] = "{25B84041-A88B-4A42-82EB-8AA0BFB7355B}";
/// @}

/// Name of the dynamic property that holds a widget's anchor code and own tag.
inline constexpr char TagProperty[] = "Tag";
/// Separates the four-letter anchor code from the widget's own tag text.
inline constexpr char CodeMarker[] = "*/";

/// The library's display title, as its about box shows it.
ANCHORLIB_EXPORT QString Title();
/// "major.minor.revision", as its about box shows it.
ANCHORLIB_EXPORT QString VersionText();

/**
 * @brief The form that the property page works on.
 *
 * Set whenever an Anchor is created, initialised, resized or laid out, and
 * cleared when one is destroyed. A design tool sets it to the form it edits
 * before it shows ppAnchors.
 */
ANCHORLIB_EXPORT QWidget *CurrentForm();
ANCHORLIB_EXPORT void SetCurrentForm(QWidget *form);

/**
 * @brief A form's controls, in a fixed order.
 *
 * Every named widget inside the form, depth first in creation order, leaving
 * out the form itself, separate windows (menus, dialogs) with what they hold,
 * and the unnamed or "qt_" named parts that Qt's own widgets are built from.
 */
ANCHORLIB_EXPORT QList<QWidget *> FormControls(QWidget *form);

/// A widget's `Tag` text; empty when it has none.
ANCHORLIB_EXPORT QString TagOf(const QWidget *widget);

/**
 * @brief Writes a widget's `Tag` text.
 *
 * Goes through the writer installed with SetTagWriter(), so that a design tool
 * can record the change in the form it saves; by default it sets the dynamic
 * property.
 */
ANCHORLIB_EXPORT void SetTag(QWidget *widget, const QString &tag);

/// A function that stores a widget's tag text; nullptr restores the default.
using TagWriter = void (*)(QWidget *widget, const QString &tag);
ANCHORLIB_EXPORT void SetTagWriter(TagWriter writer);

} // namespace anchorlib
