#pragma once

#include "tbutton.h"

class QHBoxLayout;
class QLabel;
class QPixmap;

/// Title-bar button of a signed-in user: avatar picture, a small gap, then the display name.
/// Sizes computed in code follow the DPI scale factor.
class QUserButton : public TButton
{
    Q_OBJECT

public:
    explicit QUserButton(QWidget *parent = nullptr);

    void setName(const QString &name);
    /// Shows picture stretched to the avatar's fixed size, aspect ratio not kept.
    void setAvatar(const QPixmap &picture);

private:
    QHBoxLayout *m_layout = nullptr;
    QFrame *m_frame = nullptr;
    QHBoxLayout *m_innerLayout = nullptr;
    QLabel *m_avatar = nullptr;
    QLabel *m_gap = nullptr;
    QLabel *m_name = nullptr;
};
