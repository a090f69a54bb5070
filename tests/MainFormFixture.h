// A main window built for each test on temporary folders of its own, with
// its message boxes answered from a script and its settings read and written
// straight from the store.
#pragma once

#include "MainForm.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"

#include <QDir>
#include <QLatin1String>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class MainFormFixture
{
protected:
    using Icon = platform::Dialogs::Icon;
    using Answer = platform::Dialogs::Answer;

    // A fresh temporary root holding the program folder (by this name),
    // the settings file and the user's data folder.
    void setUpFolders(const QString &programFolderName)
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_env.programFolder = m_root->filePath(programFolderName);
        m_env.settingsFile = m_root->filePath("config/Pictarro/1.ini");
        m_env.userDataFolder = m_root->filePath("data/Pictarro");
        QVERIFY(QDir().mkpath(m_env.programFolder));
        QVERIFY(QDir().mkpath(m_env.userDataFolder));
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }

    void tearDownForm()
    {
        m_form.reset();
        m_dialogs.reset();
    }

    // The window as the program starts it.
    MainForm &loadForm()
    {
        m_form = std::make_unique<MainForm>(m_env);
        m_form->Form_Load();
        return *m_form;
    }

    void storeSetting(const QString &section, const QString &key, const QString &value)
    {
        platform::SettingsStore(m_env.settingsFile).setValue(section, key, value);
    }

    QString stored(const QString &section, const QString &key) const
    {
        return platform::SettingsStore(m_env.settingsFile).value(section, key);
    }

    template <typename T> T *control(const char *name) const
    {
        auto *object = m_form->findChild<T *>(QLatin1String(name));
        if (!object)
            qFatal("no control %s", name);
        return object;
    }

    std::unique_ptr<QTemporaryDir> m_root;
    MainForm::Environment m_env;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<MainForm> m_form;
};
