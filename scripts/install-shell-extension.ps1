# Installs the sparse package that puts TOLZEB into the Windows 11 Explorer context menu.
# Run by TolZeb.exe: -InstallDir is the folder that holds TolZeb.exe and TolZebShellExt.dll.
param(
    [Parameter(Mandatory = $true)][string]$InstallDir
)
$ErrorActionPreference = 'Stop'

$publisher = 'CN=TOLZEB Development'
$packageName = 'TOLZEB.Archiver'

function Stop-WithMessage([string]$text) {
    Write-Host ''
    Write-Host $text -ForegroundColor Red
    exit 1
}

$InstallDir = (Resolve-Path -LiteralPath $InstallDir).Path
foreach ($file in @('TolZeb.exe', 'TolZebShellExt.dll')) {
    if (-not (Test-Path -LiteralPath (Join-Path $InstallDir $file) -PathType Leaf)) {
        Stop-WithMessage "$file is not in $InstallDir."
    }
}
$build = [int](Get-ItemProperty 'HKLM:\SOFTWARE\Microsoft\Windows NT\CurrentVersion').CurrentBuildNumber
if ($build -le 21999) {
    Stop-WithMessage 'The modern context menu needs Windows 11. The classic entries still work.'
}

$tools = Get-ChildItem "${env:ProgramFiles(x86)}\Windows Kits\10\bin\*\x64\makeappx.exe" -ErrorAction SilentlyContinue |
    Sort-Object FullName -Descending | Select-Object -First 1
if (-not $tools) {
    Stop-WithMessage 'makeappx.exe and signtool.exe from the Windows SDK are needed to build the package.'
}
$makeAppx = $tools.FullName
$signTool = Join-Path $tools.DirectoryName 'signtool.exe'

Write-Host 'This will:'
Write-Host "  1. build a package named $packageName (publisher $publisher, version 1.0.0.0)"
Write-Host "     whose files stay in $InstallDir;"
Write-Host '  2. sign it with a certificate made for this machine, which Windows must trust;'
Write-Host '  3. register it for your user account.'
$answer = Read-Host 'Go on? (y/n)'
if ($answer -ne 'y') { Stop-WithMessage 'Nothing was changed.' }

$work = Join-Path ([IO.Path]::GetTempPath()) ('tolzeb-package-' + [Guid]::NewGuid())
New-Item -ItemType Directory -Path (Join-Path $work 'layout\Assets') | Out-Null
try {
    Copy-Item -LiteralPath (Join-Path $PSScriptRoot 'AppxManifest.xml') -Destination (Join-Path $work 'layout')
    # A plain one-pixel image stands in for the package logo; the menu shows the library's icons.
    [IO.File]::WriteAllBytes((Join-Path $work 'layout\Assets\logo.png'), [Convert]::FromBase64String(
        'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg=='))
    $package = Join-Path $work 'TolZebMenu.msix'
    & $makeAppx pack /o /d (Join-Path $work 'layout') /nv /p $package
    if ($LASTEXITCODE -ne 0) { Stop-WithMessage 'The package could not be built.' }

    $certificate = Get-ChildItem Cert:\CurrentUser\My | Where-Object { $_.Subject -eq $publisher } | Select-Object -First 1
    if (-not $certificate) {
        $certificate = New-SelfSignedCertificate -Type Custom -Subject $publisher -KeyUsage DigitalSignature `
            -CertStoreLocation Cert:\CurrentUser\My -TextExtension @('2.5.29.37={text}1.3.6.1.5.5.7.3.3', '2.5.29.19={text}')
    }
    $trusted = Get-ChildItem Cert:\LocalMachine\TrustedPeople | Where-Object { $_.Thumbprint -eq $certificate.Thumbprint }
    if (-not $trusted) {
        Write-Host ''
        Write-Host "Windows installs the package only when the certificate '$publisher' is trusted machine-wide."
        $answer = Read-Host 'Trust it in Local Machine\Trusted People (needs administrator rights)? (y/n)'
        if ($answer -ne 'y') { Stop-WithMessage 'Nothing was installed.' }
        $exported = Join-Path $work 'publisher.cer'
        Export-Certificate -Cert $certificate -FilePath $exported | Out-Null
        Start-Process powershell.exe -Verb RunAs -Wait -ArgumentList @(
            '-NoProfile', '-Command', "Import-Certificate -FilePath '$exported' -CertStoreLocation Cert:\LocalMachine\TrustedPeople")
    }
    & $signTool sign /fd SHA256 /sha1 $certificate.Thumbprint $package
    if ($LASTEXITCODE -ne 0) { Stop-WithMessage 'The package could not be signed.' }

    Add-AppxPackage -Path $package -ExternalLocation $InstallDir
    Write-Host ''
    Write-Host 'Done. Restart Explorer or sign out and in if the entry does not appear at once.' -ForegroundColor Green
}
catch {
    Stop-WithMessage $_.Exception.Message
}
finally {
    Remove-Item -LiteralPath $work -Recurse -Force -ErrorAction SilentlyContinue
}
